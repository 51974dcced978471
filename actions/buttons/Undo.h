#pragma once
// Undo, from the system menu: takes back what the record says TovalSet changed for this user, after one
// question that lists it all, and never what was there before.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <string>

namespace tovalset {

// The certificate manager's command line that takes the certificate with this thumbprint out of the
// user's root store. Without /sha1 the tool asks on its console for an index, which a hidden run never
// answers.
std::wstring CertmgrDeleteCommand(const Thumbprint& thumbprint);

// Removes, one at a time, the certificates that the record says TovalSet added and the user's own part of
// the root store still holds; writes back every recorded Trusted Sites value and mapping, deletes those that
// were not there and the keys TovalSet made once empty, and asks the browser windows to close. Each step is
// told in one closing box, and what was undone leaves the record. Without a record of certificates, the
// support folder's certificates in the user's part are removed only after a second question; without a
// record of the settings they are left alone. Nothing changes when the first question is not answered
// with OK, or when the changes would reach another account than the desktop's.
void UndoChanges(PlatformOps& os, ReportFacts& facts);

} // namespace tovalset

#pragma once
// Whose certificates and browser settings a button would change. Every change is the user's own (the
// user's root store, HKCU): run with another account's password ("Run as administrator" by a standard
// user, "Run as different user"), it lands in that account's profile, and the user at the desktop gets
// nothing. Elevating one's own account is fine: the account and its profile stay the same.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <optional>
#include <string>

namespace tovalset {

// The box that stands instead of such a change: none when the two accounts are the same, or when either
// cannot be told (the buttons then work as they always did).
std::optional<std::wstring> AnotherAccountText(ReportFacts& facts);

// Shows that box, and tells whether the button's changes would reach the desktop's user.
bool ChangesReachTheDesktopUser(PlatformOps& os, ReportFacts& facts);

} // namespace tovalset

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

// Shows the judge's box when they would not (another account's run), and tells whether the button's
// changes would reach the desktop's user.
bool ChangesReachTheDesktopUser(PlatformOps& os, ReportFacts& facts);

} // namespace tovalset

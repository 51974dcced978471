#pragma once
// The Trusted Sites configuration behind the "IE settings" button.

#include "actions/readers/Browsers.h"
#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tovalset {

// Where the zone settings and the service domain's mapping live, under HKEY_CURRENT_USER.
extern const wchar_t* const kZoneKeyPath;
std::wstring DomainKeyPath();

extern const wchar_t* const kZoneOkMessage;
extern const wchar_t* const kZoneFailedMessage;

// Sets the six Trusted Sites settings to allow and maps the service domain into that zone; then asks every
// browser frame window to close and reports success. The first creation or write that fails ends it with
// the one failure message; what was written before stays. When a policy overrides what was written, that
// is said instead of success, and no window is asked to close. Nothing is written, only a box shown, when
// the settings would reach another account than the desktop's.
void ConfigureBrowserZone(PlatformOps& os, ReportFacts& facts);

// The message that replaces the success message when a policy or setting of this computer makes the
// written settings ineffective; empty when none does.
std::wstring ZoneOverriddenMessage(PlatformOps& os);

// Posts one close request to every top-level browser frame window.
void CloseBrowserWindows(PlatformOps& os);

} // namespace tovalset

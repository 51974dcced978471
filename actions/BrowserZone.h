#pragma once
// The Trusted Sites configuration behind the "IE settings" button.

#include "platform/PlatformOps.h"

#include <cstddef>
#include <string>

namespace tovalset {

// Where the zone settings and the service domain's mapping live, under HKEY_CURRENT_USER.
extern const wchar_t* const kZoneKeyPath;
std::wstring DomainKeyPath();

extern const wchar_t* const kZoneOkMessage;
extern const wchar_t* const kZoneFailedMessage;

// The most browser frame windows one run asks to close: a window chain that never ends must not hang us.
constexpr std::size_t kMaxBrowserWindows = 256;

// Sets the six Trusted Sites settings to allow and maps the service domain into that zone; then asks every
// browser frame window to close and reports success. The first creation or write that fails ends it with
// the one failure message; what was written before stays.
void ConfigureBrowserZone(PlatformOps& os);

// Posts one close request to every top-level browser frame window.
void CloseBrowserWindows(PlatformOps& os);

} // namespace tovalset

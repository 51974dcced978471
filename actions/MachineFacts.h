#pragma once
// The two facts the window shows at start-up, read through GetString.

#include "platform/PlatformOps.h"

#include <optional>
#include <string>

namespace tovalset {

// Where Windows records its product name and build, under HKLM.
extern const wchar_t* const kWindowsVersionKey;
// The first build of Windows 11, which still records itself as "Windows 10 ...".
constexpr unsigned long kFirstWindows11Build = 22000;

// The build Windows records (CurrentBuildNumber), when that is a build number (all digits).
std::optional<unsigned long> WindowsBuild(PlatformOps& os);

// The product name of Windows. Windows 11 still records "Windows 10 ..." there; from build 22000 on that
// prefix is shown as "Windows 11".
std::wstring OsProductName(PlatformOps& os);

// The browser's version. From Internet Explorer 10 on, "Version" holds 9.10 or 9.11 and the real version
// is in "svcVersion", which is shown when it is there.
std::wstring BrowserVersion(PlatformOps& os);

} // namespace tovalset

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

// The build as Windows records it (CurrentBuildNumber); empty when it records none.
std::wstring RecordedBuild(PlatformOps& os);
// A recorded build as a number, when it is one (all digits).
std::optional<unsigned long> BuildNumberOf(const std::wstring& recorded);
// The recorded build as a number.
std::optional<unsigned long> WindowsBuild(PlatformOps& os);

// The product name of Windows. Windows 11 still records "Windows 10 ..." there; from build 22000 on that
// prefix is shown as "Windows 11". The build is read when the name needs it, or given where it was read.
std::wstring OsProductName(PlatformOps& os);
std::wstring OsProductName(PlatformOps& os, std::optional<unsigned long> build);

// The browser's version. From Internet Explorer 10 on, "Version" holds 9.10 or 9.11 and the real version
// is in "svcVersion", which is shown when it is there.
std::wstring BrowserVersion(PlatformOps& os);

} // namespace tovalset

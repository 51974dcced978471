#pragma once
// The two facts the window shows at start-up, read through GetString.

#include "platform/PlatformOps.h"

#include <string>

namespace tovalset {

// The product name of Windows. Windows 11 still records "Windows 10 ..." there; from build 22000 on that
// prefix is shown as "Windows 11".
std::wstring OsProductName(PlatformOps& os);

// The browser's version. From Internet Explorer 10 on, "Version" holds 9.10 or 9.11 and the real version
// is in "svcVersion", which is shown when it is there.
std::wstring BrowserVersion(PlatformOps& os);

} // namespace tovalset

#include "actions/readers/MachineFacts.h"

#include "actions/readers/RegistryReader.h"
#include "platform/Decimal.h"

namespace tovalset {

const wchar_t* const kWindowsVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

namespace {

const wchar_t* const kBrowserKey = L"SOFTWARE\\Microsoft\\Internet Explorer";

template <typename Build> std::wstring ProductName(PlatformOps& os, const Build& build) {
    std::wstring name = GetString(os, kLocalMachine, kWindowsVersionKey, L"ProductName");
    const std::wstring windows10 = L"Windows 10";
    if (name.compare(0, windows10.size(), windows10) == 0 && build().value_or(0) >= kFirstWindows11Build) {
        name.replace(0, windows10.size(), L"Windows 11");
    }
    return name;
}

} // namespace

std::wstring RecordedBuild(PlatformOps& os) {
    return GetString(os, kLocalMachine, kWindowsVersionKey, L"CurrentBuildNumber");
}

// A build number is all digits; anything else is no build number.
std::optional<unsigned long> BuildNumberOf(const std::wstring& recorded) {
    return WholeNumber(recorded);
}

std::optional<unsigned long> WindowsBuild(PlatformOps& os) {
    return BuildNumberOf(RecordedBuild(os));
}

std::wstring OsProductName(PlatformOps& os) {
    return ProductName(os, [&os] { return WindowsBuild(os); });
}

std::wstring OsProductName(PlatformOps& os, std::optional<unsigned long> build) {
    return ProductName(os, [build] { return build; });
}

std::wstring BrowserVersion(PlatformOps& os) {
    std::wstring version = GetString(os, kLocalMachine, kBrowserKey, L"svcVersion");
    if (version.empty()) {
        version = GetString(os, kLocalMachine, kBrowserKey, L"Version");
    }
    return version;
}

} // namespace tovalset

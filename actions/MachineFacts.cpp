#include "actions/MachineFacts.h"

#include "actions/RegistryReader.h"

namespace tovalset {

const wchar_t* const kWindowsVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

namespace {

const wchar_t* const kBrowserKey = L"SOFTWARE\\Microsoft\\Internet Explorer";

// A build number is all digits; anything else is no build number.
bool BuildNumber(const std::wstring& text, unsigned long& number) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    number = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        number = number * 10 + static_cast<unsigned long>(c - L'0');
    }
    return true;
}

} // namespace

std::optional<unsigned long> WindowsBuild(PlatformOps& os) {
    unsigned long build = 0;
    if (!BuildNumber(GetString(os, kLocalMachine, kWindowsVersionKey, L"CurrentBuildNumber"), build)) {
        return std::nullopt;
    }
    return build;
}

std::wstring OsProductName(PlatformOps& os) {
    std::wstring name = GetString(os, kLocalMachine, kWindowsVersionKey, L"ProductName");
    const std::wstring windows10 = L"Windows 10";
    if (name.compare(0, windows10.size(), windows10) == 0 &&
        WindowsBuild(os).value_or(0) >= kFirstWindows11Build) {
        name.replace(0, windows10.size(), L"Windows 11");
    }
    return name;
}

std::wstring BrowserVersion(PlatformOps& os) {
    std::wstring version = GetString(os, kLocalMachine, kBrowserKey, L"svcVersion");
    if (version.empty()) {
        version = GetString(os, kLocalMachine, kBrowserKey, L"Version");
    }
    return version;
}

} // namespace tovalset

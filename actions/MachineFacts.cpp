#include "actions/MachineFacts.h"

#include "actions/RegistryReader.h"

namespace tovalset {

namespace {

const wchar_t* const kWindowsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const wchar_t* const kBrowserKey = L"SOFTWARE\\Microsoft\\Internet Explorer";
constexpr unsigned long kFirstWindows11Build = 22000;

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

std::wstring OsProductName(PlatformOps& os) {
    std::wstring name = GetString(os, kLocalMachine, kWindowsKey, L"ProductName");
    const std::wstring windows10 = L"Windows 10";
    if (name.compare(0, windows10.size(), windows10) == 0) {
        unsigned long build = 0;
        if (BuildNumber(GetString(os, kLocalMachine, kWindowsKey, L"CurrentBuildNumber"), build) &&
            build >= kFirstWindows11Build) {
            name.replace(0, windows10.size(), L"Windows 11");
        }
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

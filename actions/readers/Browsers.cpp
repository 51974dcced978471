#include "actions/readers/Browsers.h"

#include "actions/readers/MachineFacts.h"
#include "actions/readers/Policies.h"
#include "actions/readers/RegistryReader.h"
#include "platform/Decimal.h"

#include <utility>
#include <vector>

namespace tovalset {

namespace {

constexpr unsigned long kFirstWindows10Build = 10240;

// The first of the places that holds the value: each (root, path) in turn, the system's own view first and
// the 32-bit programs' copy (WOW6432Node) after it, the computer's before the user's.
std::wstring FirstText(PlatformOps& os, const std::vector<std::pair<KeyHandle, std::wstring>>& places,
                       const std::wstring& value) {
    for (const auto& [root, path] : places) {
        std::wstring text = GetString(os, root, path, value);
        if (!text.empty()) {
            return text;
        }
    }
    return {};
}

// A policy's DWORD, the computer's before the user's profile's (Edge reads its IE-mode ones per profile too).
std::optional<std::uint32_t> PolicyDword(PlatformOps& os, const std::wstring& path,
                                         const std::wstring& name) {
    const std::optional<std::uint32_t> computers = ReadKey(os, kLocalMachine, path).Dword(name);
    return computers ? computers : ReadKey(os, kCurrentUser, path).Dword(name);
}

} // namespace

Browsers ReadBrowsers(PlatformOps& os, unsigned long build) {
    Browsers browsers;
    const std::wstring ieMain = L"SOFTWARE\\Policies\\Microsoft\\Internet Explorer\\Main";
    const bool disabledByPolicy = ReadKey(os, kLocalMachine, ieMain).Dword(L"NotifyDisableIEOptions") ||
                                  ReadKey(os, kCurrentUser, ieMain).Dword(L"NotifyDisableIEOptions");
    if (build >= kFirstWindows11Build) {
        browsers.ieRuns = Browsers::IeRuns::Never;
    } else if (disabledByPolicy) {
        browsers.ieRuns = Browsers::IeRuns::DisabledByPolicy;
    } else if (build >= kFirstWindows10Build) {
        browsers.ieRuns = Browsers::IeRuns::MayBeDisabled;
    }

    const std::wstring edgeClient = L"Microsoft\\EdgeUpdate\\Clients\\{56EB18F8-B008-4CBD-B6D2-8C97FE7E9062}";
    browsers.edge = FirstText(os,
                              {{kLocalMachine, L"SOFTWARE\\WOW6432Node\\" + edgeClient},
                               {kLocalMachine, L"SOFTWARE\\" + edgeClient},
                               {kCurrentUser, L"Software\\" + edgeClient}},
                              L"pv");
    const std::wstring edgePolicies = L"SOFTWARE\\Policies\\Microsoft\\Edge";
    browsers.ieModeLevel = PolicyDword(os, edgePolicies, L"InternetExplorerIntegrationLevel");
    browsers.ieModeSiteList = FirstText(os, {{kLocalMachine, edgePolicies}, {kCurrentUser, edgePolicies}},
                                        L"InternetExplorerIntegrationSiteList");
    browsers.reloadInIeModeAllowed =
        PolicyDword(os, edgePolicies, L"InternetExplorerIntegrationReloadInIEModeAllowed");

    const std::wstring chromeUninstall = L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome";
    browsers.chrome = FirstText(os,
                                {{kLocalMachine, L"SOFTWARE\\" + chromeUninstall},
                                 {kLocalMachine, L"SOFTWARE\\WOW6432Node\\" + chromeUninstall},
                                 {kCurrentUser, L"Software\\" + chromeUninstall}},
                                L"DisplayVersion");
    if (browsers.chrome.empty()) {
        browsers.chrome = GetString(os, kCurrentUser, L"Software\\Google\\Chrome\\BLBeacon", L"version");
    }

    browsers.firefox = FirstText(os,
                                 {{kLocalMachine, L"SOFTWARE\\Mozilla\\Mozilla Firefox"},
                                  {kLocalMachine, L"SOFTWARE\\WOW6432Node\\Mozilla\\Mozilla Firefox"},
                                  {kLocalMachine, L"SOFTWARE\\Mozilla\\Mozilla Firefox ESR"},
                                  {kLocalMachine, L"SOFTWARE\\WOW6432Node\\Mozilla\\Mozilla Firefox ESR"},
                                  {kCurrentUser, L"Software\\Mozilla\\Mozilla Firefox"}},
                                 L"CurrentVersion");
    // "128.5.1 (x64 en-US)": the major version is the number before the first dot.
    constexpr std::size_t kMostMajorDigits = 6;
    browsers.firefoxMajor = LeadingDigits(browsers.firefox, kMostMajorDigits).first;
    browsers.firefoxImportEnterpriseRoots =
        PolicyDword(os, L"SOFTWARE\\Policies\\Mozilla\\Firefox\\Certificates", L"ImportEnterpriseRoots");
    return browsers;
}

std::vector<WindowHandle> BrowserWindows(PlatformOps& os) {
    std::vector<WindowHandle> frames;
    WindowHandle last = WindowHandle::None;
    while (frames.size() < kMaxBrowserWindows) {
        last = os.FindWindowExA(WindowHandle::None, last, L"IEFrame", std::nullopt);
        if (last == WindowHandle::None) {
            break;
        }
        frames.push_back(last);
    }
    return frames;
}

} // namespace tovalset

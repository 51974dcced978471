#include "actions/buttons/BrowserZone.h"

#include "actions/buttons/DesktopUser.h"
#include "actions/readers/ChangeRecord.h"
#include "actions/readers/Policies.h"

#include "ServiceDomain.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tovalset {

const wchar_t* const kZoneKeyPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
const wchar_t* const kZoneOkMessage = L"Confoguration Is OK!!";
const wchar_t* const kZoneFailedMessage = L"AntiVirus/Firewall Is Start.Configuration Is Not OK!!";

std::wstring DomainKeyPath() {
    return std::wstring(
               L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\") +
           TOVALSET_SERVICE_DOMAIN;
}

namespace {

constexpr std::uint32_t kAllow = 0;

// One unit of work on a key: create or open it, write one REG_DWORD, close it. The key is closed on
// failure too, before the caller reports it.
bool WriteDword(PlatformOps& os, const std::wstring& path, const wchar_t* name, std::uint32_t value) {
    KeyHandle key = KeyHandle::None;
    if (os.RegCreateKeyA(kCurrentUser, path, key) != 0) {
        return false;
    }
    const auto data = DwordBytes(value);
    const RegStatus status =
        os.RegSetValueExA(key, name, 0, REG_DWORD, data.data(), static_cast<std::uint32_t>(data.size()));
    os.RegCloseKey(key);
    return status == 0;
}

bool EnsureKey(PlatformOps& os, const std::wstring& path) {
    KeyHandle key = KeyHandle::None;
    if (os.RegCreateKeyA(kCurrentUser, path, key) != 0) {
        return false;
    }
    os.RegCloseKey(key);
    return true;
}

bool WriteZoneConfiguration(PlatformOps& os) {
    // The first setting that cannot be written ends the step.
    const bool allowed =
        std::all_of(kZoneSettings.begin(), kZoneSettings.end(),
                    [&os](const wchar_t* setting) { return WriteDword(os, kZoneKeyPath, setting, kAllow); });
    if (!allowed) {
        return false;
    }
    const std::wstring domainKey = DomainKeyPath();
    return EnsureKey(os, domainKey) && WriteDword(os, domainKey, L"*", kTrustedSitesZone);
}

} // namespace

void ConfigureBrowserZone(PlatformOps& os, ReportFacts& facts) {
    if (!ChangesReachTheDesktopUser(os, facts)) {
        return;
    }
    // What the undo needs is written down before the first write.
    RecordZoneValues(os, facts);
    if (!WriteZoneConfiguration(os)) {
        os.ShowMessage(kZoneFailedMessage);
        return;
    }
    // Written is not yet in effect: where a policy overrides the user's settings, a browser opened again
    // would see nothing new, so its windows are left open.
    if (const std::wstring overridden = ZoneOverriddenMessage(os); !overridden.empty()) {
        os.ShowMessage(overridden);
        return;
    }
    CloseBrowserWindows(os);
    os.ShowMessage(kZoneOkMessage);
}

std::wstring ZoneOverriddenMessage(PlatformOps& os) {
    const std::vector<std::wstring> causes = ZoneOverrides(os, TOVALSET_SERVICE_DOMAIN);
    if (causes.empty()) {
        return {};
    }
    std::wstring joined;
    for (const std::wstring& cause : causes) {
        joined += (joined.empty() ? L"" : L"; ") + cause;
    }
    return L"The settings were written, but a policy on this computer overrides them: " + joined +
           L". Ask your administrator to add " + TOVALSET_SERVICE_DOMAIN + L" to Trusted Sites.";
}

void CloseBrowserWindows(PlatformOps& os) {
    // The whole chain is collected before the first request goes out: a window that closes at once would
    // otherwise break the search, and the windows below it would stay open.
    for (const WindowHandle frame : BrowserWindows(os)) {
        os.PostMessageA(frame, WM_CLOSE, 0, 0);
    }
}

} // namespace tovalset

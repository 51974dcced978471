#include "actions/readers/Policies.h"

#include "actions/readers/RegistryReader.h"
#include "platform/Decimal.h"
#include "platform/ZoneMark.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <iterator>

namespace tovalset {

const wchar_t* const kPoliciesPath =
    L"Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const wchar_t* const kUserZoneMapPath =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap";
const wchar_t* const kTrustedSitesPolicyPath =
    L"Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";

namespace {

const wchar_t* const kProtectedRootsPath =
    L"Software\\Policies\\Microsoft\\SystemCertificates\\Root\\ProtectedRoots";
constexpr std::uint32_t kDisableUserRoots = 0x1;

// Whose policy a root holds, as the message names it.
struct PolicyRoot {
    KeyHandle root;
    const wchar_t* whose;
};
const std::array<PolicyRoot, 2> kPolicyRoots = {
    {{kLocalMachine, L"the computer's"}, {kCurrentUser, L"your user"}}};

// "a", "a and b", "a, b and c".
std::wstring Listed(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            text += i + 1 == items.size() ? L" and " : L", ";
        }
        text += items[i];
    }
    return text;
}

// The entries of a site-to-zone list that would cover the host, the most particular first: the host with
// or without a scheme, then each parent domain (never a top-level domain alone) as "*.parent" with or
// without a scheme, or bare, which covers the parent's hosts too.
std::vector<std::wstring> ListEntriesFor(const std::wstring& host) {
    const std::array<const wchar_t*, 4> schemes = {L"", L"https://", L"http://", L"*://"};
    std::vector<std::wstring> entries;
    const auto withEachScheme = [&](const std::wstring& pattern) {
        std::transform(schemes.begin(), schemes.end(), std::back_inserter(entries),
                       [&pattern](const wchar_t* scheme) { return scheme + pattern; });
    };
    withEachScheme(host);
    for (std::size_t dot = host.find(L'.'); dot != std::wstring::npos; dot = host.find(L'.', dot + 1)) {
        const std::wstring parent = host.substr(dot + 1);
        if (parent.find(L'.') == std::wstring::npos) {
            break;
        }
        withEachScheme(L"*." + parent);
        entries.push_back(parent);
    }
    return entries;
}

// A site-to-zone assignment list set by policy replaces the user's own mappings. Where one list puts the
// domain into Trusted Sites, the domain is where it should be, and no list is a cause; otherwise each list
// is, with what it says of the domain.
void CheckSiteLists(PlatformOps& os, const std::wstring& domain, std::vector<std::wstring>& causes) {
    const std::vector<std::wstring> entries = ListEntriesFor(domain);
    std::vector<std::wstring> found;
    bool trusted = false;
    for (const PolicyRoot& policy : kPolicyRoots) {
        ReadKey list(os, policy.root, std::wstring(kPoliciesPath) + L"\\ZoneMapKey");
        if (!list.exists()) {
            continue;
        }
        std::optional<std::uint32_t> zone;
        const auto named = std::find_if(entries.begin(), entries.end(), [&](const std::wstring& entry) {
            zone = list.ZoneNumber(entry);
            return zone.has_value();
        });
        std::wstring says = L"does not name " + domain;
        if (named != entries.end()) {
            trusted = trusted || *zone == kTrustedSitesZone;
            says = L"puts " + *named + L" in the " + ZoneName(*zone) + L" zone";
        }
        found.push_back(L"the site-to-zone assignment list of " + std::wstring(policy.whose) +
                        L" policy replaces yours and " + says);
    }
    if (!trusted) {
        causes.insert(causes.end(), found.begin(), found.end());
    }
}

} // namespace

ReadKey::ReadKey(PlatformOps& os, KeyHandle root, const std::wstring& path) : os_(os) {
    open_ = os_.RegOpenKeyA(root, path, key_) == 0;
}

ReadKey::~ReadKey() {
    if (open_) {
        os_.RegCloseKey(key_);
    }
}

std::optional<std::uint32_t> ReadKey::Dword(const std::wstring& name) {
    std::array<std::uint8_t, 4> bytes = {0, 0, 0, 0};
    std::uint32_t type = 0;
    std::uint32_t size = bytes.size();
    if (!open_ || os_.RegQueryValueExA(key_, name, 0, type, bytes.data(), size) != 0 || type != REG_DWORD ||
        size != bytes.size()) {
        return std::nullopt;
    }
    return DwordOf(bytes);
}

std::optional<std::uint32_t> ReadKey::ZoneNumber(const std::wstring& name) {
    if (const auto number = Dword(name)) {
        return number;
    }
    if (!open_) {
        return std::nullopt;
    }
    std::wstring text = RegQueryStringValue(os_, key_, name);
    while (!text.empty() && std::iswspace(text.back())) {
        text.pop_back();
    }
    const std::size_t start = text.find_first_not_of(L" \t");
    if (start == std::wstring::npos) {
        return std::nullopt;
    }
    const auto number = WholeNumber(text.substr(start));
    return number ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*number)) : std::nullopt;
}

bool UserRootsDistrusted(PlatformOps& os) {
    const auto flags = ReadKey(os, kLocalMachine, kProtectedRootsPath).Dword(L"Flags");
    return flags && (*flags & kDisableUserRoots) != 0;
}

std::vector<std::wstring> ZoneOverrides(PlatformOps& os, const std::wstring& domain) {
    std::vector<std::wstring> causes;
    if (ReadKey(os, kLocalMachine, kPoliciesPath).Dword(L"Security_HKLM_only") == 1u) {
        causes.emplace_back(L"only the computer's zone settings count (Security_HKLM_only)");
    }
    CheckSiteLists(os, domain, causes);
    for (const PolicyRoot& policy : kPolicyRoots) {
        ReadKey zone(os, policy.root, kTrustedSitesPolicyPath);
        std::vector<std::wstring> set;
        // The settings the zone action allows, as policy can set them too.
        for (const wchar_t* setting : kZoneSettings) {
            // Absent, or 0 (allow), is what we wrote.
            const std::uint32_t value = zone.Dword(setting).value_or(0);
            if (value != 0) {
                set.push_back(std::wstring(setting) + L" to " + std::to_wstring(value));
            }
        }
        if (!set.empty()) {
            causes.push_back(std::wstring(policy.whose) + L" policy sets Trusted Sites " +
                             (set.size() == 1 ? L"setting " : L"settings ") + Listed(set));
        }
    }
    if (ReadKey(os, kCurrentUser, kUserZoneMapPath).Dword(L"IEHarden") == 1u) {
        causes.emplace_back(L"Internet Explorer Enhanced Security Configuration is on, so sites are mapped "
                            L"from EscDomains, not Domains");
    }
    return causes;
}

} // namespace tovalset

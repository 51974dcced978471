#pragma once
// What a computer's policies and settings say about whether our changes take effect: trust in the user's
// own root certificates, and the zone settings and site mappings that Internet Explorer really uses. Every
// read goes through PlatformOps; a key or value that cannot be read counts as absent.

#include "platform/PlatformOps.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovalset {

// Where Internet Explorer's policies live, under either root; the zones' settings are in "Zones\<zone>".
extern const wchar_t* const kPoliciesPath;
// The user's own site-to-zone mappings.
extern const wchar_t* const kUserZoneMapPath;
// The Trusted Sites zone's settings as a policy sets them, under either root.
extern const wchar_t* const kTrustedSitesPolicyPath;

// The Trusted Sites zone's number in every site-to-zone mapping.
constexpr std::uint32_t kTrustedSitesZone = 2;

// URL actions of the Trusted Sites zone that the service needs allowed (0): signed and unsigned ActiveX
// download, scripting of controls not marked safe, active scripting, Java applet scripting, and running
// controls not used before without a prompt. The zone action writes them; a policy can override each.
constexpr std::array<const wchar_t*, 6> kZoneSettings = {L"1001", L"1004", L"1201",
                                                         L"1400", L"1402", L"1208"};

// A registry key opened for reading, closed when the object goes. A key that cannot be opened reads as
// empty.
class ReadKey {
public:
    ReadKey(PlatformOps& os, KeyHandle root, const std::wstring& path);
    ReadKey(const ReadKey&) = delete;
    ReadKey& operator=(const ReadKey&) = delete;
    ~ReadKey();

    bool exists() const { return open_; }
    // A REG_DWORD value.
    std::optional<std::uint32_t> Dword(const std::wstring& name);
    // A zone number as a site list holds it: decimal text, or a REG_DWORD.
    std::optional<std::uint32_t> ZoneNumber(const std::wstring& name);

private:
    PlatformOps& os_;
    KeyHandle key_ = KeyHandle::None;
    bool open_ = false;
};

// The machine policy that tells Windows not to trust roots in the user's own part of the store (the
// "Flags" of ProtectedRoots, bit 0x1).
bool UserRootsDistrusted(PlatformOps& os);

// What makes the current user's Trusted Sites settings and the mapping of `domain` ineffective, each as a
// clause for the user's message; empty when nothing does.
std::vector<std::wstring> ZoneOverrides(PlatformOps& os, const std::wstring& domain);

} // namespace tovalset

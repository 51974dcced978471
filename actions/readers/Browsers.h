#pragma once
// Which browsers this computer has, as their install keys and policies tell, and which of them will use
// what TovalSet sets: the certificates in the user's root store, and the Trusted Sites zone. Read only.

#include "platform/PlatformOps.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tovalset {

struct Browsers {
    // Internet Explorer: whether it runs as a browser here.
    enum class IeRuns { Yes, Never, DisabledByPolicy, MayBeDisabled };
    IeRuns ieRuns = IeRuns::Yes;
    // Edge's version (empty: not found) and its IE-mode policies, the computer's over the user's profile's.
    std::wstring edge;
    std::optional<std::uint32_t> ieModeLevel;
    std::wstring ieModeSiteList;
    std::optional<std::uint32_t> reloadInIeModeAllowed;
    std::wstring chrome;
    // Firefox's version as it records it ("128.0 (x64 en-US)"), its major number, and the policy that makes
    // it use the system's certificates.
    std::wstring firefox;
    unsigned long firefoxMajor = 0;
    bool firefoxImportsRootsByPolicy = false;

    // Whether Firefox uses the certificates in the user's root store: from 120 by default, or by policy.
    bool FirefoxUsesTheStore() const { return firefoxMajor >= 120 || firefoxImportsRootsByPolicy; }
    // The zone settings take effect only where Internet Explorer runs, or in Edge's IE mode.
    bool IeModeByPolicy() const { return ieModeLevel.value_or(0) == 1; }
};

// `build`: Windows' build number (0 when not known).
Browsers ReadBrowsers(PlatformOps& os, unsigned long build);

} // namespace tovalset

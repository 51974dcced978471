#pragma once
// Which browsers this computer has, as their install keys and policies tell, and which of them will use
// what TovalSet sets: the certificates in the user's root store, and the Trusted Sites zone. Read only.

#include "platform/PlatformOps.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    // Firefox's version as it records it ("128.0 (x64 en-US)"), its major number, and the policy that sets
    // (and locks) whether it uses the system's certificates: ImportEnterpriseRoots, 1 or 0.
    std::wstring firefox;
    unsigned long firefoxMajor = 0;
    std::optional<std::uint32_t> firefoxImportEnterpriseRoots;
};

// `build`: Windows' build number (0 when not known).
Browsers ReadBrowsers(PlatformOps& os, unsigned long build);

// The most browser frame windows one run asks to close: a window chain that never ends must not hang us.
constexpr std::size_t kMaxBrowserWindows = 256;

// Every top-level browser frame window, at most kMaxBrowserWindows of them.
std::vector<WindowHandle> BrowserWindows(PlatformOps& os);

} // namespace tovalset

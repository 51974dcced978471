#pragma once
// Between the seam's opaque handles and Windows' own. A key handle is 32 bits: the 32-bit build holds an
// HKEY exactly, and 64-bit Windows keeps handles 32-bit significant (sign-extended, which is how the
// predefined roots such as HKEY_CURRENT_USER look there), so the x86_64 test build round-trips them too.

#include <windows.h>

#include "platform/PlatformOps.h"

namespace tovalset::win32 {

static_assert(sizeof(KeyHandle) == 4, "a key handle holds the 32 significant bits of an HKEY");
static_assert(sizeof(WindowHandle) == sizeof(HWND), "a window handle holds an HWND");

inline HKEY ToHkey(KeyHandle key) {
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
}
inline KeyHandle FromHkey(HKEY key) {
    return static_cast<KeyHandle>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key)));
}
inline HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}
inline WindowHandle FromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

} // namespace tovalset::win32

#pragma once
// Between the seam's opaque handles and Windows' own. The 32-bit build holds an HKEY or HWND exactly.

#include <windows.h>

#include "platform/PlatformOps.h"

namespace tovalset::win32 {

static_assert(sizeof(KeyHandle) == sizeof(HKEY), "a key handle holds an HKEY of the 32-bit build");
static_assert(sizeof(WindowHandle) == sizeof(HWND), "a window handle holds an HWND");

inline HKEY ToHkey(KeyHandle key) {
    return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key));
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

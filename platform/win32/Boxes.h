#pragma once
// The program's message boxes: the actions' and the window's own alike carry one caption.

#include <windows.h>

namespace tovalset::win32 {

// The resource script and the manifest carry their own copies.
constexpr const char* kMessageCaption = "TovalSet";

// A message box under the program's caption; returns the button that ended it.
// It takes the text as it is: a window procedure shows what it caught with it, and must not allocate then.
inline int ShowBox(HWND owner, const char* text, UINT style) {
    return ::MessageBoxA(owner, text, kMessageCaption, style);
}

} // namespace tovalset::win32

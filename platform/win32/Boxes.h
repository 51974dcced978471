#pragma once
// The program's message boxes: the actions' and the window's own alike carry one caption.

#include <windows.h>

namespace tovalset::win32 {

// The caption, written once for the narrow and the wide calls: a wide literal joined to it makes it wide.
// The resource script and the manifest carry their own copies.
#define TOVALSET_MESSAGE_CAPTION "TovalSet"

// A message box under the program's caption; returns the button that ended it.
// It takes the text as it is: a window procedure shows what it caught with it, and must not allocate then.
inline int ShowBox(HWND owner, const char* text, UINT style) {
    return ::MessageBoxA(owner, text, TOVALSET_MESSAGE_CAPTION, style);
}
// The same in Unicode, for text the ANSI code page may not spell (a path, the report's own boxes).
inline int ShowBox(HWND owner, const wchar_t* text, UINT style) {
    return ::MessageBoxW(owner, text, L"" TOVALSET_MESSAGE_CAPTION, style);
}

} // namespace tovalset::win32

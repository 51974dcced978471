#pragma once
// The program's message boxes: the actions' and the window's own alike carry one caption.

#include <windows.h>

namespace tovalset::win32 {

// The caption, written once: a wide literal joined to it makes it wide.
// The resource script and the manifest carry their own copies.
#define TOVALSET_MESSAGE_CAPTION "TovalSet"

// A message box under the program's caption, shown through the wide call whatever the ANSI code page can
// spell (an account's or a folder's Persian name on an English system); returns the button that ended it.
inline int ShowBox(HWND owner, const wchar_t* text, UINT style) {
    return ::MessageBoxW(owner, text, L"" TOVALSET_MESSAGE_CAPTION, style);
}
// A narrow text, in the ANSI code page, as a caught exception's. It is widened on the stack, cut at the
// buffer's end: a window procedure shows what it caught with it, and must not allocate then.
inline int ShowBox(HWND owner, const char* text, UINT style) {
    constexpr int kMost = 1023; // a byte of the code page never gives more than one wide character
    wchar_t wide[kMost + 1];
    int length = 0;
    while (text != nullptr && length < kMost && text[length] != '\0') {
        ++length;
    }
    const int made = ::MultiByteToWideChar(CP_ACP, 0, text, length, wide, kMost);
    wide[made > 0 ? made : 0] = L'\0';
    return ShowBox(owner, wide, style);
}

} // namespace tovalset::win32

#pragma once
// Conversions between our wide text and the ANSI code page that the "A" calls speak, the system's own
// wording of an error code, and the caption of every box the program shows.

#include <windows.h>

#include <string>

namespace tovalset::win32 {

// The caption of the program's message boxes, the actions' and the window's own alike. The resource script
// and the manifest carry their own copies.
constexpr const char* kMessageCaption = "TovalSet";

// Every character, embedded NULs included; characters the code page lacks become its default character.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const char* text, std::size_t length);
inline std::wstring FromAnsi(const std::string& text) {
    return FromAnsi(text.data(), text.size());
}

// The system's text for an error code (FormatMessage), without the trailing line break.
std::wstring SystemErrorText(DWORD code);

} // namespace tovalset::win32

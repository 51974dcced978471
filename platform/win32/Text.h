#pragma once
// Conversions between our wide text and the ANSI code page that the "A" calls speak, and the system's own
// wording of an error code.

#include <windows.h>

#include <string>

namespace tovalset::win32 {

// Every character, embedded NULs included; characters the code page lacks become its default character.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const char* text, std::size_t length);
inline std::wstring FromAnsi(const std::string& text) {
    return FromAnsi(text.data(), text.size());
}

// The text as UTF-8; and as a file's bytes, UTF-8 after a byte-order mark.
std::string Utf8(const std::wstring& text);
std::string Utf8WithMark(const std::wstring& text);

// The system's text for an error code (FormatMessage), without the trailing line break.
std::wstring SystemErrorText(DWORD code);

} // namespace tovalset::win32

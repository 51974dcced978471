#include "platform/win32/Text.h"

#include "platform/win32/Handles.h"

#include <climits>

namespace tovalset::win32 {

namespace {

// Every character in the bytes of the code page, embedded NULs included.
std::string InCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
    }
    return result;
}

} // namespace

std::string ToAnsi(const std::wstring& text) {
    return InCodePage(text, CP_ACP);
}

std::wstring FromAnsi(const char* text, std::size_t length) {
    if (length == 0 || length > INT_MAX) {
        return {};
    }
    const int size = static_cast<int>(length);
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, text, size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, text, size, result.data(), chars);
    }
    return result;
}

std::string Utf8(const std::wstring& text) {
    return InCodePage(text, CP_UTF8);
}

std::string Utf8WithMark(const std::wstring& text) {
    return "\xEF\xBB\xBF" + Utf8(text);
}

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocal<wchar_t*> owner(buffer);
    std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = L"error " + std::to_wstring(code);
    }
    return text;
}

} // namespace tovalset::win32

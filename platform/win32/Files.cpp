#include "platform/win32/Files.h"

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

#include <algorithm>

namespace tovalset::win32 {

DWORD ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& data, DWORD most, DWORD share) {
    data.clear();
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return ::GetLastError();
    }
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) {
        return ::GetLastError();
    }
    if (high != 0 || size > most) {
        return ERROR_SUCCESS;
    }
    // Up to its end rather than the size it had: a file that another program is still writing may grow,
    // though never past the bound.
    std::uint8_t buffer[4096];
    DWORD read = 0;
    do {
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            return ::GetLastError();
        }
        data.insert(data.end(), buffer, buffer + read);
    } while (read > 0 && data.size() <= most);
    if (data.size() > most) {
        data.clear();
    }
    return ERROR_SUCCESS;
}

DWORD ReadFileStart(const std::wstring& path, std::size_t most, std::vector<std::uint8_t>& data) {
    data.clear();
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return ::GetLastError();
    }
    data.resize(most);
    std::size_t filled = 0;
    while (filled < data.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), data.data() + filled, static_cast<DWORD>(data.size() - filled), &read,
                        nullptr)) {
            data.clear();
            return ::GetLastError();
        }
        if (read == 0) {
            break;
        }
        filled += read;
    }
    data.resize(filled);
    return ERROR_SUCCESS;
}

DWORD WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring partial = path + L".partial";
    {
        const UniqueHandle file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return ::GetLastError();
        }
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !::FlushFileBuffers(file.get())) {
            const DWORD error = ::GetLastError();
            ::DeleteFileW(partial.c_str());
            return error;
        }
    }
    if (!::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(partial.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

SavedFile SaveOnDesktop(ReportFacts& facts, const std::wstring& name, const std::wstring& text) {
    const Fact<std::wstring> folder = facts.DesktopFolder();
    const std::wstring path = folder.value.value_or(L"") + L"\\" + name;
    return {path, folder.value ? WriteWholeFile(path, Utf8WithMark(text)) : folder.code};
}

namespace {

// Why a write stopped: the system's code, or a write fault when it wrote nothing and said no more.
DWORD WriteError() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

} // namespace

StandardKind StandardKindOf(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return StandardKind::None;
    }
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        return StandardKind::Console;
    }
    // Before Windows 8 a console's handles are no kernel handles but numbers ending in binary 11, which
    // only a process attached to that console can write; the system's own test of them.
    if ((reinterpret_cast<std::uintptr_t>(handle) & 0x10000003) == 0x3) {
        return StandardKind::None;
    }
    // A handle left over from the parent that names nothing is no output either.
    ::SetLastError(NO_ERROR);
    if (::GetFileType(handle) == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
        return StandardKind::None;
    }
    return StandardKind::Stream;
}

DWORD WriteStandard(DWORD which, const std::wstring& text, const std::string& bytes) {
    const HANDLE handle = ::GetStdHandle(which);
    if (StandardKindOf(which) == StandardKind::Console) {
        // In pieces: older consoles refuse one large write; never between the halves of a surrogate pair.
        constexpr std::size_t kPiece = 4096;
        for (std::size_t at = 0; at < text.size();) {
            std::size_t piece = std::min(kPiece, text.size() - at);
            if (at + piece < text.size() && text[at + piece - 1] >= 0xD800 &&
                text[at + piece - 1] <= 0xDBFF) {
                --piece;
            }
            DWORD written = 0;
            if (!::WriteConsoleW(handle, text.data() + at, static_cast<DWORD>(piece), &written, nullptr) ||
                written == 0) {
                return WriteError();
            }
            at += written;
        }
        return ERROR_SUCCESS;
    }
    for (std::size_t at = 0; at < bytes.size();) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                         nullptr) ||
            written == 0) {
            return WriteError();
        }
        at += written;
    }
    return ERROR_SUCCESS;
}

} // namespace tovalset::win32

// What the status report reads besides the registry: the program's place, the clock, the process's rights
// and width, and files. Nothing here changes anything.
#include "platform/win32/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace tovalset::win32 {

namespace {

Moment MomentOf(const SYSTEMTIME& time) {
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

// The Windows Vista token classes, which older headers for XP do not name; XP answers them with an error.
constexpr int kTokenElevationType = 18;
constexpr int kTokenElevation = 20;
constexpr DWORD kElevationTypeLimited = 3;

template <typename T> Fact<T> Unreadable(DWORD code) {
    return {std::nullopt, code, SystemErrorText(code)};
}

Fact<DWORD> TokenNumber(int informationClass) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return Unreadable<DWORD>(::GetLastError());
    }
    const UniqueHandle token(opened);
    DWORD value = 0;
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), static_cast<TOKEN_INFORMATION_CLASS>(informationClass), &value,
                               sizeof value, &size)) {
        return Unreadable<DWORD>(::GetLastError());
    }
    return {value};
}

} // namespace

Fact<std::wstring> Win32ReportFacts::ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return Unreadable<std::wstring>(::GetLastError());
        }
        if (length < path.size()) {
            const std::wstring file(path.data(), length);
            return {file.substr(0, file.find_last_of(L'\\'))};
        }
        path.resize(path.size() * 2);
    }
}

Fact<std::wstring> Win32ReportFacts::CurrentDirectory() {
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> folder(size + 1);
    const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (length == 0 || length >= folder.size()) {
        return Unreadable<std::wstring>(length == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER);
    }
    return {std::wstring(folder.data(), length)};
}

Moment Win32ReportFacts::LocalNow() {
    SYSTEMTIME time{};
    ::GetLocalTime(&time);
    return MomentOf(time);
}

Moment Win32ReportFacts::UtcNow() {
    SYSTEMTIME time{};
    ::GetSystemTime(&time);
    return MomentOf(time);
}

Fact<bool> Win32ReportFacts::WindowsIs64Bit() {
    if (sizeof(void*) == 8) {
        return {true};
    }
    // IsWow64Process came with XP SP2; a system without it has no 64-bit side.
    const SystemLibrary kernel(L"kernel32.dll");
    const auto isWow64 = kernel.Proc<BOOL(WINAPI*)(HANDLE, PBOOL)>("IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64 != nullptr && !isWow64(::GetCurrentProcess(), &wow64)) {
        return Unreadable<bool>(::GetLastError());
    }
    return {wow64 != FALSE};
}

int ScreenDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) {
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 0;
}

Fact<int> Win32ReportFacts::DisplayDpi() {
    const int dpi = ScreenDpi();
    if (dpi == 0) {
        return Unreadable<int>(ERROR_INVALID_HANDLE);
    }
    return {dpi};
}

std::uint32_t Win32ReportFacts::AnsiCodePage() {
    return ::GetACP();
}

Fact<bool> Win32ReportFacts::UserIsAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, &administrators)) {
        return Unreadable<bool>(::GetLastError());
    }
    BOOL member = FALSE;
    const BOOL checked = ::CheckTokenMembership(nullptr, administrators, &member);
    const DWORD error = ::GetLastError();
    ::FreeSid(administrators);
    if (!checked) {
        return Unreadable<bool>(error);
    }
    // Under User Account Control an administrator's unelevated token holds the group for denial only: its
    // limited half of a split token still belongs to an administrator.
    const Fact<DWORD> type = TokenNumber(kTokenElevationType);
    return {member != FALSE || (type.value && *type.value == kElevationTypeLimited)};
}

Fact<bool> Win32ReportFacts::ProcessIsElevated() {
    const Fact<DWORD> elevated = TokenNumber(kTokenElevation);
    if (!elevated.value) {
        return {std::nullopt, elevated.code, elevated.why};
    }
    return {*elevated.value != 0};
}

Fact<bool> Win32ReportFacts::FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return {false};
        }
        return Unreadable<bool>(error);
    }
    return {(attributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

Fact<std::vector<std::uint8_t>> Win32ReportFacts::ReadFileStart(const std::wstring& path,
                                                                std::size_t maxBytes) {
    std::vector<std::uint8_t> data;
    if (const DWORD error = win32::ReadFileStart(path, maxBytes, data); error != ERROR_SUCCESS) {
        return Unreadable<std::vector<std::uint8_t>>(error);
    }
    return {data};
}

Fact<std::wstring> Win32ReportFacts::DesktopFolder() {
    const SystemLibrary shell(L"shell32.dll");
    const auto getFolder = shell.Proc<HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR)>("SHGetFolderPathW");
    if (getFolder == nullptr) {
        return Unreadable<std::wstring>(shell ? ERROR_PROC_NOT_FOUND : shell.error());
    }
    constexpr int kDesktopDirectory = 0x0010; // CSIDL_DESKTOPDIRECTORY
    wchar_t path[MAX_PATH + 1] = {};
    const HRESULT result = getFolder(nullptr, kDesktopDirectory, nullptr, 0, path);
    if (FAILED(result)) {
        return Unreadable<std::wstring>(HRESULT_CODE(result));
    }
    return {std::wstring(path)};
}

} // namespace tovalset::win32

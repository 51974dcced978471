// What the status report reads besides the registry: the program's place, the clock, the process's rights
// and width, files and their marks, and whose desktop it is and whom it runs as. Nothing here changes
// anything.
#include <windows.h>
#include <sddl.h>
#include <softpub.h>
#include <wintrust.h>
#include <wtsapi32.h>

#include "platform/ZoneMark.h"
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

// The account a SID stands for: its SID as text and "DOMAIN\name" (the SID alone when no name is found).
Fact<Account> AccountOf(PSID sid) {
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) {
        return Unreadable<Account>(::GetLastError());
    }
    const UniqueLocal<LPWSTR> owner(text);
    Account account;
    account.sid = text;
    wchar_t name[256] = {};
    wchar_t domain[256] = {};
    DWORD nameSize = 256;
    DWORD domainSize = 256;
    SID_NAME_USE use{};
    if (::LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
        account.name = domainSize > 0 ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    } else {
        account.name = account.sid;
    }
    return {account};
}

Fact<Account> TokenAccount(HANDLE process) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &opened)) {
        return Unreadable<Account>(::GetLastError());
    }
    const UniqueHandle token(opened);
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) {
        return Unreadable<Account>(::GetLastError());
    }
    return AccountOf(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
}

// The user of the session this process runs in, as Terminal Services know it (XP has it too, with fast
// user switching or without).
Fact<Account> SessionAccount() {
    const SystemLibrary wts(L"wtsapi32.dll");
    const auto query = wts.Proc<decltype(&::WTSQuerySessionInformationW)>("WTSQuerySessionInformationW");
    const auto release = wts.Proc<decltype(&::WTSFreeMemory)>("WTSFreeMemory");
    if (query == nullptr || release == nullptr) {
        return Unreadable<Account>(wts ? ERROR_PROC_NOT_FOUND : wts.error());
    }
    const auto read = [&](WTS_INFO_CLASS what, std::wstring& into) {
        LPWSTR text = nullptr;
        DWORD bytes = 0;
        if (!query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, what, &text, &bytes)) {
            return ::GetLastError();
        }
        into = text != nullptr ? text : L"";
        release(text);
        return static_cast<DWORD>(ERROR_SUCCESS);
    };
    std::wstring user;
    std::wstring domain;
    if (const DWORD error = read(WTSUserName, user); error != ERROR_SUCCESS) {
        return Unreadable<Account>(error);
    }
    if (user.empty()) {
        return Unreadable<Account>(ERROR_NO_SUCH_LOGON_SESSION);
    }
    read(WTSDomainName, domain);
    const std::wstring qualified = domain.empty() ? user : domain + L"\\" + user;
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof sid;
    wchar_t found[256] = {};
    DWORD foundSize = 256;
    SID_NAME_USE use{};
    if (!::LookupAccountNameW(nullptr, qualified.c_str(), sid, &sidSize, found, &foundSize, &use)) {
        return Unreadable<Account>(::GetLastError());
    }
    return AccountOf(sid);
}

// The owner of the shell's process: the desktop's user where the session cannot be asked.
Fact<Account> ShellAccount() {
    const HWND shell = ::GetShellWindow();
    DWORD process = 0;
    if (shell == nullptr || ::GetWindowThreadProcessId(shell, &process) == 0) {
        return Unreadable<Account>(ERROR_NOT_FOUND);
    }
    const UniqueHandle opened(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, process));
    if (!opened) {
        return Unreadable<Account>(::GetLastError());
    }
    return TokenAccount(opened.get());
}

} // namespace

Fact<std::wstring> Win32ReportFacts::ProgramFile() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return Unreadable<std::wstring>(::GetLastError());
        }
        if (length < path.size()) {
            return {std::wstring(path.data(), length)};
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
    const UniqueScreenDc screen(::GetDC(nullptr));
    const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
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
    const UniqueSid owner(administrators);
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators, &member)) {
        return Unreadable<bool>(::GetLastError());
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

Fact<Account> Win32ReportFacts::DesktopUser() {
    Fact<Account> session = SessionAccount();
    if (session.value) {
        return session;
    }
    Fact<Account> shell = ShellAccount();
    return shell.value ? shell : session;
}

Fact<Account> Win32ReportFacts::ProcessUser() {
    return TokenAccount(::GetCurrentProcess());
}

Fact<Verification> Win32ReportFacts::VerifySignature(const std::wstring& path) {
    const SystemLibrary wintrust(L"wintrust.dll");
    const auto verify = wintrust.Proc<decltype(&::WinVerifyTrust)>("WinVerifyTrust");
    if (verify == nullptr) {
        return Unreadable<Verification>(wintrust ? ERROR_PROC_NOT_FOUND : wintrust.error());
    }
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // No window: nothing is ever asked of the user, and revocation is not looked up on the network.
    const HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
    const LONG result = verify(noWindow, &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    verify(noWindow, &action, &data);
    if (result == ERROR_SUCCESS) {
        return {Verification{true, {}}};
    }
    return {Verification{false, SystemErrorText(static_cast<DWORD>(result))}};
}

Fact<std::optional<std::uint32_t>> Win32ReportFacts::ZoneMarkOf(const std::wstring& path) {
    // The stream is a few lines; anything longer than this holds no more that we read.
    constexpr std::size_t kMostStreamBytes = 4096;
    std::vector<std::uint8_t> stream;
    const DWORD error = win32::ReadFileStart(path + L":Zone.Identifier", kMostStreamBytes, stream);
    // No stream, or a file system without streams (FAT takes the colon for a bad name): no mark.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) {
        return {std::optional<std::uint32_t>{}};
    }
    if (error != ERROR_SUCCESS) {
        return Unreadable<std::optional<std::uint32_t>>(error);
    }
    return {ZoneIdOf(stream)};
}

Fact<bool> Win32ReportFacts::OnNetwork(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return Unreadable<bool>(::GetLastError());
    }
    full.resize(length);
    // "\\server\share\..." and its long form "\\?\UNC\..." name another computer; "\\?\C:\..." a drive.
    if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return {true};
    }
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) {
        full.erase(0, 4);
    } else if (full.rfind(L"\\\\", 0) == 0) {
        return {true};
    }
    if (full.size() < 2 || full[1] != L':') {
        return {false};
    }
    return {::GetDriveTypeW((full.substr(0, 2) + L"\\").c_str()) == DRIVE_REMOTE};
}

} // namespace tovalset::win32

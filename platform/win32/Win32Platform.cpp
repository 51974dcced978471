#include <windows.h>
#include <objbase.h>

#include "platform/win32/Win32Platform.h"

#include "platform/CommandLine.h"
#include "platform/win32/HandleCast.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

#include <cstddef>
#include <vector>

namespace tovalset::win32 {

std::wstring ProgramPathOf(const std::wstring& commandLine) {
    std::wstring word = ProgramFileOf(commandLine);
    if (word.empty()) {
        return word;
    }
    // GetFullPathName resolves against the current directory and nothing else: no search of the exe's
    // folder, the system folders or PATH. Wide, so that a folder whose name the ANSI code page cannot
    // spell (a Persian user name on an English system) still resolves.
    std::vector<wchar_t> full(MAX_PATH);
    DWORD length = ::GetFullPathNameW(word.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = ::GetFullPathNameW(word.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return word;
    }
    return std::wstring(full.data(), length);
}

bool IsConsoleProgram(const std::wstring& path) {
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    const auto readAt = [&](LONG offset, void* into, DWORD size) {
        DWORD read = 0;
        return ::SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
               ::ReadFile(file.get(), into, size, &read, nullptr) != FALSE && read == size;
    };
    IMAGE_DOS_HEADER dos{};
    if (!file || !readAt(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
        return false;
    }
    DWORD signature = 0;
    // The subsystem sits at the same offset in the 32-bit and the 64-bit optional header.
    const LONG subsystemAt = dos.e_lfanew + static_cast<LONG>(sizeof signature + sizeof(IMAGE_FILE_HEADER) +
                                                              offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem));
    WORD subsystem = 0;
    return readAt(dos.e_lfanew, &signature, sizeof signature) && signature == IMAGE_NT_SIGNATURE &&
           readAt(subsystemAt, &subsystem, sizeof subsystem) && subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

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
    // Up to its end rather than the size it had: a file that another program is still writing may grow.
    std::uint8_t buffer[4096];
    DWORD read = 0;
    do {
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
            return ::GetLastError();
        }
        data.insert(data.end(), buffer, buffer + read);
    } while (read > 0);
    return ERROR_SUCCESS;
}

RegStatus Win32Platform::RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    HKEY opened = nullptr;
    // The system's own view: a 32-bit process on 64-bit Windows would otherwise read the Wow6432Node copy
    // of HKLM\SOFTWARE, which can lag behind an edition upgrade or the Windows 11 build. 32-bit Windows,
    // XP SP3 included, ignores the flag. Every open through the seam is for reading.
    const LONG status =
        ::RegOpenKeyExA(ToHkey(key), ToAnsi(subKey).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &opened);
    if (status == ERROR_SUCCESS) {
        result = FromHkey(opened);
    }
    return status;
}

RegStatus Win32Platform::RegCreateKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    HKEY created = nullptr;
    const LONG status = ::RegCreateKeyA(ToHkey(key), ToAnsi(subKey).c_str(), &created);
    if (status == ERROR_SUCCESS) {
        result = FromHkey(created);
    }
    return status;
}

RegStatus Win32Platform::RegQueryValueExA(KeyHandle key, const std::wstring& valueName,
                                          std::uint32_t reserved, std::uint32_t& type, std::uint8_t* data,
                                          std::uint32_t& size) {
    DWORD valueType = type;
    DWORD valueSize = size;
    DWORD reservedWord = reserved;
    const LONG status =
        ::RegQueryValueExA(ToHkey(key), ToAnsi(valueName).c_str(), reserved == 0 ? nullptr : &reservedWord,
                           &valueType, data, &valueSize);
    type = valueType;
    size = valueSize;
    return status;
}

RegStatus Win32Platform::RegSetValueExA(KeyHandle key, const std::wstring& valueName, std::uint32_t reserved,
                                        std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExA(ToHkey(key), ToAnsi(valueName).c_str(), reserved, type, data, size);
}

RegStatus Win32Platform::RegCloseKey(KeyHandle key) {
    return ::RegCloseKey(ToHkey(key));
}

std::wstring Win32Platform::FromAnsiCodePage(const std::string& bytes) {
    return FromAnsi(bytes);
}

WindowHandle Win32Platform::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                          const std::wstring& className,
                                          const std::optional<std::wstring>& windowName) {
    const std::string narrowClass = ToAnsi(className);
    const std::string narrowName = windowName ? ToAnsi(*windowName) : std::string();
    return FromHwnd(::FindWindowExA(ToHwnd(parent), ToHwnd(childAfter), narrowClass.c_str(),
                                    windowName ? narrowName.c_str() : nullptr));
}

bool Win32Platform::PostMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    return ::PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

ComApartment::~ComApartment() {
    using Uninitialize = void(WINAPI*)();
    if (const auto uninitialize = entered_ ? reinterpret_cast<Uninitialize>(reinterpret_cast<void*>(
                                                 ::GetProcAddress(ole_.get(), "CoUninitialize")))
                                           : nullptr) {
        uninitialize();
    }
}

void ComApartment::Enter() {
    // ole32 is a known DLL, which the search cannot be led away from.
    if (ole_) {
        return;
    }
    ole_.reset(::LoadLibraryA("ole32.dll"));
    using Initialize = HRESULT(WINAPI*)(LPVOID, DWORD);
    const auto initialize = ole_ ? reinterpret_cast<Initialize>(reinterpret_cast<void*>(
                                       ::GetProcAddress(ole_.get(), "CoInitializeEx")))
                                 : nullptr;
    // S_FALSE (already entered on this thread) counts too, and is matched by one CoUninitialize.
    entered_ = initialize != nullptr &&
               SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

std::wstring Win32Platform::SystemWindowsDirectory() {
    // The system's folder, not the per-user Windows folder that a terminal server gives each user and
    // that the user can write to.
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::intptr_t Win32Platform::ShellExecuteA(WindowHandle owner, const std::wstring& operation,
                                           const std::wstring& file, const std::wstring& parameters,
                                           const std::wstring& directory, int showCommand) {
    // The shell is loaded on first use: most runs never open the help, and loading it at start-up costs
    // more memory than the rest of the program. It is a system library (a known DLL), so the search for
    // it cannot be led to a file in the current directory.
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    com_.Enter();
    if (!shell_) {
        shell_.reset(::LoadLibraryA("shell32.dll"));
    }
    const auto execute = shell_ ? reinterpret_cast<ShellExecuteFunction>(reinterpret_cast<void*>(
                                      ::GetProcAddress(shell_.get(), "ShellExecuteA")))
                                : nullptr;
    if (execute == nullptr) {
        return static_cast<std::intptr_t>(::GetLastError() != 0 ? ::GetLastError() : ERROR_MOD_NOT_FOUND);
    }
    const HINSTANCE result = execute(ToHwnd(owner), ToAnsi(operation).c_str(), ToAnsi(file).c_str(),
                                     ToAnsi(parameters).c_str(), ToAnsi(directory).c_str(), showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

// Starts the program of a command line and hands back its process.
UniqueHandle Win32Platform::Launch(const std::wstring& commandLine, int windowStyle, DWORD& processId) {
    if (host_->CloseRequested()) {
        throw ActionCancelled();
    }
    const std::wstring program = ProgramPathOf(commandLine);
    if (program.empty()) {
        throw ProgramStartError(commandLine, SystemErrorText(ERROR_FILE_NOT_FOUND));
    }
    // The child sees exactly our line; CreateProcess may write into the buffer, so it is our own copy.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    DWORD flags = 0;
    if (windowStyle == SW_HIDE && IsConsoleProgram(program)) {
        // Hidden, a console program gets a console without a window. A show state would instead fall on
        // the first window it shows, which may be the very question the system asks the user before a
        // root certificate goes in: unseen, it would hold the import up until the bound.
        flags = CREATE_NO_WINDOW;
    } else {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(windowStyle);
    }
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                          &startup, &started)) {
        throw ProgramStartError(commandLine, SystemErrorText(::GetLastError()));
    }
    const UniqueHandle thread(started.hThread);
    processId = started.dwProcessId;
    return UniqueHandle(started.hProcess);
}

namespace {

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto* const process = reinterpret_cast<DWORD*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == *process && ::IsWindowVisible(window)) {
        *process = 0;
        return FALSE;
    }
    return TRUE;
}

// Whether the process shows a window of its own now: then it is asking the user something.
bool ShowsAWindow(DWORD processId) {
    DWORD process = processId;
    ::EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&process));
    return process == 0;
}

// How often a wait looks at the tool's windows and at its bound.
constexpr DWORD kWaitTickMs = 100;

} // namespace

void Win32Platform::StartProgram(const std::wstring& commandLine, int windowStyle) {
    DWORD processId = 0;
    Launch(commandLine, windowStyle, processId);
}

ProgramOutcome Win32Platform::StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                                  std::uint32_t timeoutMs) {
    DWORD processId = 0;
    const UniqueHandle process = Launch(commandLine, windowStyle, processId);
    // The bound counts only the time in which the tool shows nothing: a question it asks is waited for.
    DWORD counted = 0;
    DWORD last = ::GetTickCount();
    const auto keepWaiting = [&] {
        const DWORD now = ::GetTickCount();
        if (!ShowsAWindow(processId)) {
            counted += now - last;
        }
        last = now;
        return counted < timeoutMs;
    };
    ProgramOutcome outcome;
    switch (host_->Wait(process.get(), kWaitTickMs, keepWaiting)) {
    case ModalHost::WaitEnd::Closing:
        // The tool runs on by itself, like every program an action starts.
        throw ActionCancelled();
    case ModalHost::WaitEnd::Stopped:
        // A hung tool must not run on beside the next one: that overlap is what the wait is for.
        ::TerminateProcess(process.get(), ERROR_TIMEOUT);
        ::WaitForSingleObject(process.get(), 5000);
        return outcome;
    case ModalHost::WaitEnd::Signalled:
        break;
    }
    DWORD exitCode = 0;
    if (::GetExitCodeProcess(process.get(), &exitCode)) {
        outcome.finished = true;
        outcome.exitCode = exitCode;
    }
    return outcome;
}

void Win32Platform::ShowMessage(const std::wstring& text) {
    ShowBox(text, 0);
}

void Win32Platform::ShowError(const std::wstring& text) {
    ShowBox(text, MB_ICONERROR);
}

void Win32Platform::ShowBox(const std::wstring& text, unsigned icon) {
    if (host_->CloseRequested()) {
        throw ActionCancelled();
    }
    // Owned by our window it is modal to it; without one, to every window of this thread.
    const HWND owner = host_->BoxOwner();
    ::MessageBoxA(owner, ToAnsi(text).c_str(), kMessageCaption,
                  MB_OK | icon | (owner == nullptr ? MB_TASKMODAL : 0));
}

} // namespace tovalset::win32

#include <windows.h>

#include "platform/win32/Win32Platform.h"

#include "platform/win32/HandleCast.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

#include <vector>

namespace tovalset::win32 {

namespace {

bool HasExtension(const std::wstring& path) {
    const std::size_t name = path.find_last_of(L"\\/:");
    const std::size_t dot = path.find_last_of(L'.');
    return dot != std::wstring::npos && (name == std::wstring::npos || dot > name);
}

} // namespace

std::wstring ProgramPathOf(const std::wstring& commandLine) {
    std::wstring word;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const std::size_t end = commandLine.find(L'"', 1);
        word = commandLine.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    } else {
        word = commandLine.substr(0, commandLine.find_first_of(L" \t"));
    }
    if (word.empty()) {
        return word;
    }
    if (!HasExtension(word)) {
        word += L".exe";
    }
    // GetFullPathName resolves against the current directory and nothing else: no search of the exe's
    // folder, the system folders or PATH.
    const std::string narrow = ToAnsi(word);
    std::vector<char> full(MAX_PATH);
    DWORD length = ::GetFullPathNameA(narrow.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = ::GetFullPathNameA(narrow.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return word;
    }
    return FromAnsi(full.data(), length);
}

RegStatus Win32Platform::RegOpenKeyA(KeyHandle key, const std::wstring& subKey, KeyHandle& result) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyA(ToHkey(key), ToAnsi(subKey).c_str(), &opened);
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

std::intptr_t Win32Platform::ShellExecuteA(WindowHandle owner, const std::wstring& operation,
                                           const std::wstring& file, const std::wstring& parameters,
                                           const std::wstring& directory, int showCommand) {
    // The shell is loaded on first use: most runs never open the help, and loading it at start-up costs
    // more memory than the rest of the program. It is a system library (a known DLL), so the search for
    // it cannot be led to a file in the current directory.
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
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

namespace {

// Starts the program of a command line and hands back its process.
UniqueHandle Launch(const std::wstring& commandLine, int windowStyle) {
    const std::wstring program = ProgramPathOf(commandLine);
    if (program.empty()) {
        throw ProgramStartError(commandLine, SystemErrorText(ERROR_FILE_NOT_FOUND));
    }
    // The child sees exactly our line; CreateProcess may write into the buffer, so it is our own copy.
    const std::string line = ToAnsi(commandLine);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(ToAnsi(program).c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started)) {
        throw ProgramStartError(commandLine, SystemErrorText(::GetLastError()));
    }
    const UniqueHandle thread(started.hThread);
    return UniqueHandle(started.hProcess);
}

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// Keeps the window painted while we wait, and lets no input through: no click can start another action
// before this one ends. A quit request is kept for the message loop.
DWORD WaitPainting(HANDLE process, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    bool quit = false;
    int quitCode = 0;
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            result = ::WaitForSingleObject(process, 0);
            break;
        }
        result = ::MsgWaitForMultipleObjects(1, &process, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + 1) {
            break;
        }
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
            } else if (!IsInput(message.message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
    }
    if (quit) {
        ::PostQuitMessage(quitCode);
    }
    return result;
}

} // namespace

void Win32Platform::StartProgram(const std::wstring& commandLine, int windowStyle) {
    Launch(commandLine, windowStyle);
}

ProgramOutcome Win32Platform::StartProgramAndWait(const std::wstring& commandLine, int windowStyle,
                                                  std::uint32_t timeoutMs) {
    const UniqueHandle process = Launch(commandLine, windowStyle);
    const HWND owner = ToHwnd(messageOwner_);
    const bool disabled = owner != nullptr && ::EnableWindow(owner, FALSE) == FALSE;
    const DWORD waited = WaitPainting(process.get(), timeoutMs);
    if (disabled) {
        ::EnableWindow(owner, TRUE);
    }
    ProgramOutcome outcome;
    DWORD exitCode = 0;
    if (waited == WAIT_OBJECT_0 && ::GetExitCodeProcess(process.get(), &exitCode)) {
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

void Win32Platform::ShowBox(const std::wstring& text, unsigned icon) const {
    // Owned by our window it is modal to it; without one, to every window of this thread.
    const HWND owner = ToHwnd(messageOwner_);
    ::MessageBoxA(owner, ToAnsi(text).c_str(), "TovalSet",
                  MB_OK | icon | (owner == nullptr ? MB_TASKMODAL : 0));
}

} // namespace tovalset::win32

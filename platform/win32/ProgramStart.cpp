// Starting a program for an action, and waiting for it while the window keeps painting: which file a
// command line names, and whether it is a console program, read from its PE header.
#include <windows.h>

#include "platform/CommandLine.h"
#include "platform/win32/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

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
    std::vector<std::uint8_t> head;
    if (ReadFileStart(path, kProgramHeadBytes, head) != ERROR_SUCCESS) {
        return false;
    }
    const std::optional<ProgramHeader> header = ProgramHeaderOf(head);
    return header && header->console;
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

} // namespace tovalset::win32

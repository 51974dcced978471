// A console program that gives TovalSet its console as standard output, as a console program that starts
// it with its own handles does: TovalSet.exe (the first argument) /report, from the current directory, in
// a console of this program's own. What the console then shows, row by row without the blanks that fill
// each row, comes out of this program's standard output as UTF-8 with CRLF lines; its exit code is
// TovalSet's, or 100 when TovalSet could not be started or the console read.
#include <windows.h>

#include "platform/win32/Handles.h"

#include <string>

using tovalset::win32::UniqueHandle;

int main(int argc, char** argv) {
    if (argc < 2) {
        return 100;
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto openConsole = [&inherit] {
        return UniqueHandle(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                        nullptr));
    };
    // A console of its own, whatever it was started with: the one it may have inherited could be a
    // terminal's, whose rows cannot be read back.
    // AllocConsole points the standard handles at the new console: the caller's output is kept first.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    FreeConsole();
    const UniqueHandle console = AllocConsole() ? openConsole() : UniqueHandle();
    // Wide enough that no line of the report wraps.
    constexpr SHORT kColumns = 600;
    if (!console || !SetConsoleScreenBufferSize(console.get(), COORD{kColumns, 3000})) {
        return 100;
    }
    std::string line = "\"" + std::string(argv[1]) + "\" /report";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = console.get();
    startup.hStdError = console.get();
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(argv[1], line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return 100;
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    WaitForSingleObject(process.get(), 60000);
    DWORD code = 100;
    GetExitCodeProcess(process.get(), &code);

    CONSOLE_SCREEN_BUFFER_INFO buffer{};
    GetConsoleScreenBufferInfo(console.get(), &buffer);
    std::wstring shown;
    for (SHORT row = 0; row < buffer.dwCursorPosition.Y; ++row) {
        wchar_t text[kColumns] = {};
        DWORD read = 0;
        ReadConsoleOutputCharacterW(console.get(), text, kColumns, COORD{0, row}, &read);
        std::wstring rowText(text, read);
        rowText.erase(rowText.find_last_not_of(L' ') + 1);
        shown += rowText + L"\r\n";
    }
    std::string utf8(shown.size() * 3, '\0');
    utf8.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, shown.data(), static_cast<int>(shown.size()), utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr)));
    DWORD written = 0;
    WriteFile(output, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    return static_cast<int>(code);
}

// Stands in for a program that an action starts. It writes how it was started into the file that
// TOVALSET_RECORD names: the start-up window style (-1 for none given), its own file name, then its command
// line byte for byte. Built twice, as a console and as a GUI program. With TOVALSET_RECORD_LOG set it first
// appends its command line and a line break to that file, so a test can see every start of a script.
// With TOVALSET_RELEASE_EVENT set it first waits (at most 20 s, stretched with the machine) for that event,
// so a test can tell whether the starter waited for it. It exits with TOVALSET_EXIT_CODE when that is set.
#include <windows.h>

#include "platform/win32/Handles.h"
#include "tests/support/Bound.h"

#include <string>

int main() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TOVALSET_RECORD", path, MAX_PATH) == 0) {
        return 3;
    }
    char log[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TOVALSET_RECORD_LOG", log, MAX_PATH) != 0) {
        const tovalset::win32::UniqueHandle file(
            CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
        const std::string line = std::string(GetCommandLineA()) + "\n";
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
            return 6;
        }
    }
    char event[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", event, MAX_PATH) != 0) {
        const tovalset::win32::UniqueHandle release(OpenEventA(SYNCHRONIZE, FALSE, event));
        if (release) {
            WaitForSingleObject(release.get(), tovalset::test::Bound(20000));
        }
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int style = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);

    const std::string record = std::to_string(style) + "\n" + module + "\n" + GetCommandLineA();
    // Written beside, then moved into place, so that a reader never sees half a record.
    const std::string partial = std::string(path) + ".partial";
    {
        const tovalset::win32::UniqueHandle file(
            CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file) {
            return 4;
        }
        DWORD written = 0;
        WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    }
    if (!MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        return 5;
    }
    char exitCode[16] = {};
    return GetEnvironmentVariableA("TOVALSET_EXIT_CODE", exitCode, sizeof exitCode) != 0
               ? static_cast<int>(std::stoul(exitCode))
               : 0;
}

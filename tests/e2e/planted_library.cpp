// A library planted under the name of one that TovalSet or a system library loads. When it is loaded it
// appends a line to the file that TOVALSET_PLANTED_LOG names: its own path, and the process's exe. It then
// refuses to stay, so that nothing calls into a library with none of the functions it expected.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    char log[MAX_PATH] = {};
    char library[MAX_PATH] = {};
    char exe[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TOVALSET_PLANTED_LOG", log, MAX_PATH) == 0) {
        return FALSE;
    }
    GetModuleFileNameA(self, library, MAX_PATH);
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    char line[2 * MAX_PATH + 8];
    const int length = wsprintfA(line, "%s loaded by %s\r\n", library, exe);
    const HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(file);
    }
    return FALSE;
}

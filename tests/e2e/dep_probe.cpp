// Loaded into a running TovalSet by the test of its hardening, as Windows tells a process's DEP settings
// only to the process itself: writes what the system says there, "flags <n> permanent <0|1>" or
// "unanswered <error>", to the file named as this library with ".txt" added, then refuses to stay.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    using GetPolicy = BOOL(WINAPI*)(HANDLE, LPDWORD, PBOOL);
    // Looked up: the XP headers do not declare it, though XP SP3 has it.
    const auto getPolicy = reinterpret_cast<GetPolicy>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessDEPPolicy")));
    DWORD flags = 0;
    BOOL permanent = FALSE;
    char line[64];
    int length = 0;
    if (getPolicy != nullptr && getPolicy(GetCurrentProcess(), &flags, &permanent)) {
        length = wsprintfA(line, "flags %lu permanent %d", flags, permanent ? 1 : 0);
    } else {
        length = wsprintfA(line, "unanswered %lu", GetLastError());
    }
    char path[MAX_PATH + 4] = {};
    const DWORD size = GetModuleFileNameA(self, path, MAX_PATH);
    lstrcpyA(path + size, ".txt");
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(file);
    }
    return FALSE;
}

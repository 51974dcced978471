// Tells the start-up benchmark when a window is up and painted, then closes it as a user would.
//   bench_driver <title> <done file>
// Prints "painted" once the window with that title has handled its first paint, waits for the done file
// to appear, then asks the window to close.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    HWND window = nullptr;
    for (int i = 0; i < 600 && window == nullptr; ++i) {
        window = FindWindowA(nullptr, argv[1]);
        if (window == nullptr || !IsWindowVisible(window)) {
            window = nullptr;
            Sleep(20);
        }
    }
    if (window == nullptr) {
        return 1;
    }
    // The window paints synchronously before its message loop first goes idle: once it answers, the first
    // paint is done.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
    std::printf("painted\n");
    std::fflush(stdout);
    for (int i = 0; i < 3000 && GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(10);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

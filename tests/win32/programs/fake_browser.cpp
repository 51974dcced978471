// Stands in for a running browser: three top-level "IEFrame" windows and one window of another class,
// each counting the close requests it gets. It prints "ready" when its windows exist, and after the test's
// run (or 30 s, stretched with the machine) prints each window's count and exits. With "close" after the file
// name its browser frames close on the request, as a browser's do, and it ends by itself once they all have.
// With "hang" its windows handle no message at all until the test's run is over, as a browser stuck in a
// page: what was posted to them waits in the queue, and is counted when it finally pumps.
#include <windows.h>

#include "tests/support/Bound.h"

#include <cstdio>
#include <string>

namespace {

int counts[4];
HWND windows[4];
bool closeFrames = false;
bool hangs = false;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        for (int i = 0; i < 4; ++i) {
            if (windows[i] == window) {
                ++counts[i];
                if (closeFrames && i != 2) {
                    DestroyWindow(window);
                    windows[i] = nullptr;
                }
            }
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char** argv) {
    // argv[1]: a file whose appearance tells us the test has run.
    if (argc < 2) {
        return 2;
    }
    closeFrames = argc > 2 && std::string(argv[2]) == "close";
    hangs = argc > 2 && std::string(argv[2]) == "hang";
    const char* classes[4] = {"IEFrame", "IEFrame", "TovalSetOther", "IEFrame"};
    for (int i = 0; i < 4; ++i) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = classes[i];
        RegisterClassA(&windowClass);
        windows[i] = CreateWindowExA(0, classes[i], "browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(windows[i], SW_SHOWNOACTIVATE);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Bounded either way: a stand-in must not outlive the test that started it.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < tovalset::test::Bound(30000)) {
        MSG message;
        while (!hangs && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        if (GetFileAttributesA(argv[1]) != INVALID_FILE_ATTRIBUTES ||
            (closeFrames && windows[0] == nullptr && windows[1] == nullptr && windows[3] == nullptr)) {
            break;
        }
        Sleep(20);
    }
    // Requests that were posted just before the end still count. They are all in the queue by now: a post
    // is queued before PostMessage returns, and the test makes its file only after the run that posts.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    for (int i = 0; i < 4; ++i) {
        std::printf("%s %d\n", classes[i], counts[i]);
        if (windows[i] != nullptr) {
            DestroyWindow(windows[i]);
        }
    }
    return 0;
}

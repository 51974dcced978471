// Stands in for the service's PKI middleware in the demo support folder: a small window that says what it
// is and shows how it was started (its command line and start-up window style), so that a demo or a test
// can see what the middleware button really gave it.
#include <windows.h>

#include <string>

namespace {

const char* StyleName(int style) {
    switch (style) {
    case SW_HIDE:
        return "hidden";
    case SW_SHOWNORMAL:
        return "normal";
    case SW_SHOWMINIMIZED:
        return "minimized";
    case SW_SHOWMAXIMIZED:
        return "maximized";
    case SW_SHOWMINNOACTIVE:
        return "minimized without focus";
    default:
        return "other";
    }
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int style = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    const std::string text = std::string("This window stands in for the service's PKI middleware.\r\n\r\n") +
                             "Command line: " + GetCommandLineA() +
                             "\r\nStart-up window style: " + std::to_string(style) + " (" + StyleName(style) +
                             ")";

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "TovalSetPkiStandIn";
    RegisterClassA(&windowClass);
    const HWND window =
        CreateWindowExA(0, "TovalSetPkiStandIn", "PKI middleware (stand-in)",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                        CW_USEDEFAULT, 480, 160, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    // The label belongs to the window and goes with it; nothing here needs its handle.
    static_cast<void>(CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 12, 12, 450, 100,
                                      window, nullptr, instance, nullptr));
    // The first ShowWindow of a program takes the style its starter asked for.
    ShowWindow(window, style);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

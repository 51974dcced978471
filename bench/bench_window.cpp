// The two windows TovalSet's start-up is measured against, built with the same flags: an empty window of
// the same size, and (with TOVALSET_BENCH_FULL) the same window showing the whole 8400 x 3200 background
// decoded by the system's picture loader, as a program that embeds the full picture would.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>

namespace {

HBITMAP background = nullptr;

#ifdef TOVALSET_BENCH_FULL
IPicture* LoadFullBackground(HINSTANCE instance) {
    const HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    const DWORD size = SizeofResource(instance, found);
    const HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(copy), LockResource(LoadResource(instance, found)), size);
    GlobalUnlock(copy);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(copy, TRUE, &stream);
    IPicture* picture = nullptr;
    OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
    stream->Release();
    OLE_HANDLE handle = 0;
    if (picture != nullptr) {
        picture->get_Handle(&handle);
    }
    background = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    return picture;
}
#endif

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        const HDC dc = reinterpret_cast<HDC>(wParam);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (background != nullptr) {
            const HDC memory = CreateCompatibleDC(dc);
            const HGDIOBJ previous = SelectObject(memory, background);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteDC(memory);
        }
        return TRUE;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
#ifdef TOVALSET_BENCH_FULL
    CoInitialize(nullptr);
    IPicture* picture = LoadFullBackground(instance);
    const char* title = "TovalSet bench full";
#else
    const char* title = "TovalSet bench empty";
#endif
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Proc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TovalSetBench";
    RegisterClassA(&windowClass);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, 313, 213};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const HWND window = CreateWindowExA(0, "TovalSetBench", title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                        instance, nullptr);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
#ifdef TOVALSET_BENCH_FULL
    if (picture != nullptr) {
        picture->Release();
    }
    CoUninitialize();
#endif
    return 0;
}

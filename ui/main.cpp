#include <windows.h>

// The main window arrives later; until then the program starts and ends without a window.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}

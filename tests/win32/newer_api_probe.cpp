// Imports a function that Windows XP lacks, so that the exe check can be seen to reject it.
#include <windows.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int main() {
    return static_cast<int>(GetTickCount64() & 1);
}

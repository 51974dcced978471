// Everything the exe check must refuse, in one exe: a function that Windows XP lacks, a library outside
// the allowlist, the stack protector's runtime as a DLL, and code that links a frame into the SEH chain.
// Its build (tests/win32/CMakeLists.txt) takes off every hardening flag and its manifest asks for
// elevation on another processor.
#include <windows.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();
extern "C" __declspec(dllimport) void WINAPI InitCommonControls();
// The stack protector's own failure handler: the probe calls it to import libssp-0.dll.
extern "C" void __chk_fail(); // NOLINT(bugprone-reserved-identifier)

int main(int argc, char**) {
    if (argc > 100) {
        InitCommonControls();
        __chk_fail();
    }
    void* head = nullptr;
    asm volatile("movl %%fs:0, %0\n\tmovl %0, %%fs:0" : "=r"(head));
    return static_cast<int>(GetTickCount64() & 1);
}

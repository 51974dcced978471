// TovalSet starts by making its one window; it reads no arguments and keeps no state of its own.
#include <windows.h>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "ui/Form1.h"
#include "ui/ModalWindow.h"

namespace {

// Before any library is loaded: the current directory, which holds the support folder and may hold
// anything else, is taken out of the DLL search; and DEP is switched on where the system offers it.
// Both calls are looked up at run time, as the first releases of Windows XP lack them.
void HardenProcess() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    using SetDllDirectory = BOOL(WINAPI*)(LPCSTR);
    using SetDepPolicy = BOOL(WINAPI*)(DWORD);
    if (const auto setDllDirectory = reinterpret_cast<SetDllDirectory>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDllDirectoryA")))) {
        setDllDirectory("");
    }
    if (const auto setDepPolicy = reinterpret_cast<SetDepPolicy>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessDEPPolicy")))) {
        setDepPolicy(0x1 /* PROCESS_DEP_ENABLE */);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    HardenProcess();
    tovalset::ui::ModalWindow modal;
    tovalset::win32::Win32Platform os(modal);
    tovalset::ui::Form1 form(instance, os, modal);
    if (!form.Create()) {
        const std::string reason =
            tovalset::win32::ToAnsi(tovalset::win32::SystemErrorText(::GetLastError()));
        ::MessageBoxA(nullptr, ("The window could not be made: " + reason).c_str(), "TovalSet",
                      MB_OK | MB_ICONERROR);
        return 1;
    }
    return form.Run(showCommand);
}

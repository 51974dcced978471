// TovalSet starts by hardening its process, then reads its command line: the status report (/report) or
// the usage, or else its one window. It keeps no state of its own.
#include <windows.h>

#include "platform/win32/SystemLibrary.h"
#include "ui/Program.h"

namespace {

// Before any library is loaded at run time. Libraries asked for by name come from the system folder only:
// never from the current directory, which holds the support folder and whatever else was put there, nor
// from the exe's own folder, which may be a downloads folder full of strangers. Where the system cannot
// restrict the search that far (XP, and Vista or 7 without the update that added it) the current
// directory at least leaves it. DEP is switched on for good, with the emulation of old ATL thunks (code
// run from the heap) off as well. Every call is looked up at run time, as Windows XP lacks some of them.
void HardenProcess() {
    const tovalset::win32::SystemLibrary kernel(L"kernel32.dll");
    constexpr DWORD kSystemFolderOnly = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    const auto setDefaultDllDirectories = kernel.Proc<BOOL(WINAPI*)(DWORD)>("SetDefaultDllDirectories");
    if (setDefaultDllDirectories == nullptr || !setDefaultDllDirectories(kSystemFolderOnly)) {
        if (const auto setDllDirectory = kernel.Proc<BOOL(WINAPI*)(LPCSTR)>("SetDllDirectoryA")) {
            setDllDirectory("");
        }
    }
    // PROCESS_DEP_ENABLE | PROCESS_DEP_DISABLE_ATL_THUNK_EMULATION
    constexpr DWORD kDepWithoutThunkEmulation = 0x1 | 0x2;
    if (const auto setDepPolicy = kernel.Proc<BOOL(WINAPI*)(DWORD)>("SetProcessDEPPolicy")) {
        setDepPolicy(kDepWithoutThunkEmulation);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The command line only once nothing can be loaded from the current directory: /report reads it.
    HardenProcess();
    return tovalset::ui::RunProgram(instance, ::GetCommandLineW(), showCommand);
}

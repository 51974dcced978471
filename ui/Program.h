#pragma once
// The program's life once its process is hardened: what its command line asks, or else the window, made,
// shown and run until it closes.

#include <windows.h>

namespace tovalset::ui {

// The process's exit code: the command's (ReportCommand.h); the window's, or 1 with an error box when the
// window cannot be made. `commandLine` is the whole line, GetCommandLineW's: the narrow one that WinMain
// is given loses what the ANSI code page cannot spell.
int RunProgram(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

} // namespace tovalset::ui

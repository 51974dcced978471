#pragma once
// The program's life once its process is hardened: the window is made, shown and run until it closes.

#include <windows.h>

namespace tovalset::ui {

// The process's exit code: the window's, or 1 with an error box when the window cannot be made.
int RunProgram(HINSTANCE instance, int showCommand);

} // namespace tovalset::ui

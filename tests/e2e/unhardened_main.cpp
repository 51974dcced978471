// TovalSet without the hardening of its start-up, for the test that plants libraries where it looks for
// them: that test must be seen to catch a build that loads them.
#include <windows.h>

#include "ui/Program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return tovalset::ui::RunProgram(instance, ::GetCommandLineW(), showCommand);
}

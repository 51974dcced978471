#pragma once
// Runs one action the way every button does: a program that cannot be started ends the action, and the
// user is told which command failed and the system's reason, in one error box; the program goes on. A
// close of the window during the action ends it at its next step without a word.

#include "platform/PlatformOps.h"

#include <string>

namespace tovalset {

using Action = void (*)(PlatformOps&);

std::wstring StartFailureText(const ProgramStartError& error);
void RunAction(PlatformOps& os, Action action);

} // namespace tovalset

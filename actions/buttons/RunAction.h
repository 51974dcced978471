#pragma once
// Runs one action the way every button does: a program that cannot be started ends the action, and the
// user is told which command failed and the system's reason, in one error box; the program goes on. A
// close of the window during the action ends it at its next step without a word.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <string>

namespace tovalset {

// What a button does: it changes, starts and shows through the platform, and reads facts of the computer
// (whose desktop it is, the marks on files) where its messages depend on them.
using Action = void (*)(PlatformOps&, ReportFacts&);

std::wstring StartFailureText(const ProgramStartError& error);
void RunAction(PlatformOps& os, ReportFacts& facts, Action action);

} // namespace tovalset

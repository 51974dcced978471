#pragma once
// What TovalSet does when its command line asks for something other than the window: the status report
// written to a file or to standard output, or the usage. No window is made and no console attached or
// made.

#include "platform/CommandLine.h"

namespace tovalset::ui {

// The process's exit codes, as the usage and the README give them.
constexpr int kExitNothingInTheWay = 0;
constexpr int kExitFaults = 1;
constexpr int kExitNotWritten = 2;
constexpr int kExitMisuse = 64;

// Runs what `asked` asks (never Mode::Window); its exit code.
int RunCommand(const Invocation& asked);

} // namespace tovalset::ui

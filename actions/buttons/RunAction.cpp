#include "actions/buttons/RunAction.h"

namespace tovalset {

std::wstring StartFailureText(const ProgramStartError& error) {
    return L"This program could not be started:\n" + error.commandLine() + L"\n\n" + error.reason();
}

void RunAction(PlatformOps& os, ReportFacts& facts, Action action) {
    try {
        try {
            action(os, facts);
        } catch (const ProgramStartError& error) {
            os.ShowError(StartFailureText(error));
        }
    } catch (const ActionCancelled&) {
        // The window is closing: the action ends here, silently, and the window goes next.
    }
}

} // namespace tovalset

// The one question the actions ask: OK or Cancel, in Unicode, as the list it shows names files and
// certificates that the ANSI code page may not spell.
#include <windows.h>

#include "platform/win32/Boxes.h"
#include "platform/win32/Win32Platform.h"

namespace tovalset::win32 {

bool Win32Platform::AskOkCancel(const std::wstring& text) {
    if (host_->CloseRequested()) {
        throw ActionCancelled();
    }
    const HWND owner = host_->BoxOwner();
    // No question-mark icon, as Windows' own guidance has it; Cancel is the default, so that Enter alone
    // changes nothing.
    const int answer = win32::ShowBox(owner, text.c_str(),
                                      MB_OKCANCEL | MB_DEFBUTTON2 | (owner == nullptr ? MB_TASKMODAL : 0));
    // A close of the window dismisses every box of ours as if OK were pressed: for a question that would
    // be a yes nobody gave, so a close during it is Cancel, whatever the box returned. cppcheck cannot see
    // that the box's own message loop is where the close request arrives.
    // cppcheck-suppress knownConditionTrueFalse
    if (host_->CloseRequested()) {
        throw ActionCancelled();
    }
    return answer == IDOK;
}

} // namespace tovalset::win32

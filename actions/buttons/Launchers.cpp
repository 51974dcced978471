#include "actions/buttons/Launchers.h"

#include "actions/SupportFolder.h"
#include "actions/judge/Judge.h"
#include "actions/readers/Machine.h"

namespace tovalset {

void LaunchPkiTool(PlatformOps& os, ReportFacts& /*facts*/) {
    os.StartProgram(InSupportFolder(kPkiTool), SW_SHOWMINIMIZED);
}

void OpenHelp(PlatformOps& os, ReportFacts& facts) {
    // The system's viewer by its full path: by a bare name the shell would look in the current directory
    // first, which is wherever the user unpacked us, and run any hh.exe planted there. Without the folder,
    // nothing is started, as for a missing viewer.
    const std::wstring windows = os.SystemWindowsDirectory();
    if (windows.empty()) {
        return;
    }
    // The "::/" names the topic page inside the compiled help file, which the viewer opens directly.
    const std::intptr_t started =
        os.ShellExecuteA(WindowHandle::None, L"open", windows + L"\\hh.exe",
                         InSupportFolder(kHelpFile) + L"::/TopicFileName.htm", L"", SW_SHOWNORMAL);
    // The viewer is started all the same: the mark or the share is the user's or the administrator's to
    // mend, never ours. Only a viewer that started shows the blank page that the box explains.
    if (started > 32) {
        if (const auto blocked = HelpBlockedBox(ReadHelpZone(os, facts), InSupportFolder(kHelpFile))) {
            os.ShowMessage(*blocked);
        }
    }
}

} // namespace tovalset

#include "actions/Launchers.h"

#include "actions/SupportFolder.h"

namespace tovalset {

void LaunchPkiTool(PlatformOps& os) {
    os.StartProgram(InSupportFolder(kPkiTool), SW_SHOWMINIMIZED);
}

void OpenHelp(PlatformOps& os) {
    // The system's viewer by its full path: by a bare name the shell would look in the current directory
    // first, which is wherever the user unpacked us, and run any hh.exe planted there. Without the folder,
    // nothing is started, as for a missing viewer.
    const std::wstring windows = os.SystemWindowsDirectory();
    if (windows.empty()) {
        return;
    }
    // The "::/" names the topic page inside the compiled help file, which the viewer opens directly.
    os.ShellExecuteA(WindowHandle::None, L"open", windows + L"\\hh.exe",
                     InSupportFolder(kHelpFile) + L"::/TopicFileName.htm", L"", SW_SHOWNORMAL);
}

} // namespace tovalset

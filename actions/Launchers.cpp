#include "actions/Launchers.h"

namespace tovalset {

void LaunchPkiTool(PlatformOps& os) {
    os.StartProgram(L"All\\TOVALPKI.exe", SW_SHOWMINIMIZED);
}

void OpenHelp(PlatformOps& os) {
    // The "::/" names the topic page inside the compiled help file, which the viewer opens directly.
    os.ShellExecuteA(WindowHandle::None, L"open", L"hh.exe", L"All\\TovalSetHelp.chm::/TopicFileName.htm",
                     L"", SW_SHOWNORMAL);
}

} // namespace tovalset

#include "actions/buttons/Launchers.h"

#include "actions/SupportFolder.h"
#include "platform/ZoneMark.h"

namespace tovalset {

void LaunchPkiTool(PlatformOps& os, ReportFacts& /*facts*/) {
    os.StartProgram(InSupportFolder(kPkiTool), SW_SHOWMINIMIZED);
}

std::optional<std::wstring> MarkedHelpText(ReportFacts& facts) {
    const std::wstring help = InSupportFolder(kHelpFile);
    const Fact<std::optional<std::uint32_t>> mark = facts.ZoneMarkOf(help);
    if (!mark.value || !*mark.value || (**mark.value != kInternetZone && **mark.value != kRestrictedZone)) {
        return std::nullopt;
    }
    return L"The help file " + help + L" carries the mark of the " + ZoneName(**mark.value) +
           L" zone, which Windows puts on what was downloaded. The help viewer therefore shows none of its "
           L"pages, only \"Navigation to the webpage was canceled\".\n\nTo read the help: in "
           L"Explorer, right-click " +
           help +
           L", choose Properties, tick or press Unblock, and press OK; then "
           L"press the help button again. Next time, unblock the downloaded zip file the same way before you "
           L"extract it, and none of its files will carry the mark.";
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
    // The viewer is started all the same: the mark is the user's or the administrator's to remove, never
    // ours. Only a viewer that started shows the blank page that the box explains.
    if (const auto marked = MarkedHelpText(facts); marked && started > 32) {
        os.ShowMessage(*marked);
    }
}

} // namespace tovalset

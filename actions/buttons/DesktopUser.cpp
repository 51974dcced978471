#include "actions/buttons/DesktopUser.h"

#include "actions/judge/Judge.h"

namespace tovalset {

bool ChangesReachTheDesktopUser(PlatformOps& os, ReportFacts& facts) {
    const std::optional<std::wstring> text = AnotherAccountBox(facts.DesktopUser(), facts.ProcessUser());
    if (text) {
        os.ShowMessage(*text);
    }
    return !text;
}

} // namespace tovalset

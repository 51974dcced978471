#include "actions/buttons/DesktopUser.h"

namespace tovalset {

std::optional<std::wstring> AnotherAccountText(ReportFacts& facts) {
    const Fact<Account> desktop = facts.DesktopUser();
    const Fact<Account> process = facts.ProcessUser();
    if (!desktop.value || !process.value || desktop.value->sid == process.value->sid) {
        return std::nullopt;
    }
    const std::wstring& runs = process.value->name;
    const std::wstring& sits = desktop.value->name;
    return L"TovalSet is running as " + runs + L", but this desktop belongs to " + sits +
           L".\n\nThe certificates and browser settings would be changed for " + runs + L", not for " + sits +
           L", so nothing was changed.\n\nClose TovalSet and start it again with a double click, "
           L"without \"Run as administrator\" with another account's password: it needs no administrator's "
           L"rights. To prepare the computer for all its users, an administrator follows ADMIN.txt, which "
           L"comes "
           L"with TovalSet.";
}

bool ChangesReachTheDesktopUser(PlatformOps& os, ReportFacts& facts) {
    const std::optional<std::wstring> text = AnotherAccountText(facts);
    if (text) {
        os.ShowMessage(*text);
    }
    return !text;
}

} // namespace tovalset

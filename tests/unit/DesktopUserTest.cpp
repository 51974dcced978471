#include "actions/buttons/BrowserZone.h"
#include "actions/buttons/Certificates.h"
#include "actions/buttons/RunAction.h"
#include "actions/buttons/Undo.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::FakeReportFacts;
using Calls = std::vector<std::string>;

namespace {

const Account kUser{L"S-1-5-21-7-7-7-1001", L"PC\\User"};
const Account kAdmin{L"S-1-5-21-7-7-7-500", L"PC\\Admin"};

} // namespace

// The three buttons that change the user's own certificates and settings, with the account at the desktop
// and the one TovalSet runs as in each state: another account's run changes nothing and says so; one whose
// accounts are the same, or cannot be told, runs exactly as it always did.
TEST(DesktopUser, AnotherAccountsRunChangesNothingAndSaysWhose) {
    struct Button {
        const char* name = nullptr;
        Action action = nullptr;
    };
    struct State {
        const char* name = nullptr;
        Fact<Account> desktop;
        Fact<Account> process;
        bool blocked = false;
    };
    const Fact<Account> unknown{std::nullopt, 5, L"Access is denied."};
    const State states[] = {
        {"the same account", {kUser}, {kUser}, false},
        {"elevated with another account's password", {kUser}, {kAdmin}, true},
        {"the same name in another domain", {kUser}, {Account{L"S-1-5-21-9-9-9-1001", L"PC\\User"}}, true},
        {"the desktop's user unknown", unknown, {kAdmin}, false},
        {"the program's account unknown", {kUser}, unknown, false},
    };
    for (const Button& button :
         {Button{"Command1", &InstallRootCertificates}, Button{"Command4", &InstallNewCertificates},
          Button{"Command2", &ConfigureBrowserZone}, Button{"Undo", &UndoChanges}}) {
        FakePlatform usual;
        FakeReportFacts usualFacts;
        RunAction(usual, usualFacts, button.action);
        for (const State& state : states) {
            SCOPED_TRACE(std::string(button.name) + ", " + state.name);
            FakePlatform os;
            FakeReportFacts facts;
            facts.desktopUser = state.desktop;
            facts.processUser = state.process;
            RunAction(os, facts, button.action);
            if (!state.blocked) {
                EXPECT_EQ(os.calls(), usual.calls());
                continue;
            }
            ASSERT_EQ(os.calls().size(), 1u) << "nothing but the box: " << os.calls().front();
            ASSERT_EQ(os.messages().size(), 1u);
            const std::wstring& box = os.messages()[0];
            const std::wstring runs = state.process.value->name;
            EXPECT_EQ(
                box.rfind(L"TovalSet is running as " + runs + L", but this desktop belongs to PC\\User.", 0),
                0u)
                << fake::Narrow(box);
            EXPECT_NE(box.find(L"without \"Run as administrator\" with another account's password"),
                      std::wstring::npos);
            EXPECT_EQ(os.OpenKeyCount(), 0u);
        }
    }
}

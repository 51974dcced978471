#include "actions/Launchers.h"
#include "actions/RunAction.h"
#include "tests/unit/FakePlatform.h"

#include <gtest/gtest.h>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using Calls = std::vector<std::string>;

TEST(LaunchPkiTool, StartsTheMiddlewareMinimizedAndShowsNothing) {
    FakePlatform os;
    RunAction(os, &LaunchPkiTool);
    EXPECT_EQ(os.calls(), (Calls{"StartProgram(\"All\\TOVALPKI.exe\", 2)"}));
}

TEST(LaunchPkiTool, AMiddlewareThatCannotStartGivesOneErrorBox) {
    FakePlatform os;
    os.Fail("StartProgram", 1, 2);
    RunAction(os, &LaunchPkiTool);
    ASSERT_EQ(os.errors().size(), 1u);
    EXPECT_NE(os.errors()[0].find(L"All\\TOVALPKI.exe"), std::wstring::npos);
    EXPECT_TRUE(os.messages().empty());
}

TEST(OpenHelp, OpensTheTopicWithAnEmptyDirectoryAndShowsNothingEvenOnFailure) {
    for (const bool fails : {false, true}) {
        FakePlatform os;
        if (fails) {
            os.Fail("ShellExecuteA", 1, 2); // ERROR_FILE_NOT_FOUND as the shell gives it
        }
        RunAction(os, &OpenHelp);
        EXPECT_EQ(os.calls(), (Calls{"ShellExecuteA(none, \"open\", \"hh.exe\", "
                                     "\"All\\TovalSetHelp.chm::/TopicFileName.htm\", \"\", 1)"}));
    }
}

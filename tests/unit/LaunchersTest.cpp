#include "actions/Launchers.h"
#include "actions/RunAction.h"
#include "tests/fake/FakePlatform.h"

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

TEST(OpenHelp, OpensTheTopicInTheSystemsViewerWithAnEmptyDirectoryAndShowsNothingEvenOnFailure) {
    for (const bool fails : {false, true}) {
        FakePlatform os;
        if (fails) {
            os.Fail("ShellExecuteA", 1, 2); // ERROR_FILE_NOT_FOUND as the shell gives it
        }
        RunAction(os, &OpenHelp);
        EXPECT_EQ(os.calls(), (Calls{"SystemWindowsDirectory()",
                                     "ShellExecuteA(none, \"open\", \"C:\\WINDOWS\\hh.exe\", "
                                     "\"All\\TovalSetHelp.chm::/TopicFileName.htm\", \"\", 1)"}));
        EXPECT_TRUE(os.messages().empty());
        EXPECT_TRUE(os.errors().empty());
    }
}

TEST(OpenHelp, WithoutTheWindowsFolderNothingIsStartedByABareName) {
    FakePlatform os;
    os.Fail("SystemWindowsDirectory", 1, 0);
    RunAction(os, &OpenHelp);
    EXPECT_EQ(os.calls(), (Calls{"SystemWindowsDirectory()"}));
    EXPECT_TRUE(os.errors().empty());
}

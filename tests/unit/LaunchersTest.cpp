#include "actions/buttons/Launchers.h"
#include "actions/buttons/RunAction.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::FakeReportFacts;
using Calls = std::vector<std::string>;

TEST(LaunchPkiTool, StartsTheMiddlewareMinimizedAndShowsNothing) {
    FakePlatform os;
    FakeReportFacts facts;
    RunAction(os, facts, &LaunchPkiTool);
    EXPECT_EQ(os.calls(), (Calls{"StartProgram(\"All\\TOVALPKI.exe\", 2)"}));
}

TEST(LaunchPkiTool, AMiddlewareThatCannotStartGivesOneErrorBox) {
    FakePlatform os;
    FakeReportFacts facts;
    os.Fail("StartProgram", 1, 2);
    RunAction(os, facts, &LaunchPkiTool);
    ASSERT_EQ(os.errors().size(), 1u);
    EXPECT_NE(os.errors()[0].find(L"All\\TOVALPKI.exe"), std::wstring::npos);
    EXPECT_TRUE(os.messages().empty());
}

TEST(OpenHelp, OpensTheTopicInTheSystemsViewerWithAnEmptyDirectoryAndShowsNothingEvenOnFailure) {
    for (const bool fails : {false, true}) {
        FakePlatform os;
        FakeReportFacts facts;
        if (fails) {
            os.Fail("ShellExecuteA", 1, 2); // ERROR_FILE_NOT_FOUND as the shell gives it
        }
        RunAction(os, facts, &OpenHelp);
        EXPECT_EQ(os.calls(), (Calls{"SystemWindowsDirectory()",
                                     "ShellExecuteA(none, \"open\", \"C:\\WINDOWS\\hh.exe\", "
                                     "\"All\\TovalSetHelp.chm::/TopicFileName.htm\", \"\", 1)"}));
        EXPECT_TRUE(os.messages().empty());
        EXPECT_TRUE(os.errors().empty());
    }
}

TEST(OpenHelp, WithoutTheWindowsFolderNothingIsStartedByABareName) {
    FakePlatform os;
    FakeReportFacts facts;
    os.Fail("SystemWindowsDirectory", 1, 0);
    RunAction(os, facts, &OpenHelp);
    EXPECT_EQ(os.calls(), (Calls{"SystemWindowsDirectory()"}));
    EXPECT_TRUE(os.errors().empty());
}

// The help file downloaded and extracted with its mark of the web: the viewer starts as always, and then
// one box says why it shows no page and how to unblock it, for the zones whose pages it refuses.
TEST(OpenHelp, AHelpFileMarkedFromTheInternetGetsTheViewerAndThenOneBox) {
    struct Case {
        const char* name = nullptr;
        Fact<std::optional<std::uint32_t>> mark;
        bool viewerFails = false;
        const wchar_t* says = nullptr; // what the box says of the cause; none for no box
        bool onNetwork = false;
        std::optional<std::uint32_t> maxAllowedZone = std::nullopt; // HTML Help's, in the 32-bit copy
    };
    const Case cases[] = {
        {"no mark", {std::optional<std::uint32_t>{}}, false, nullptr},
        {"the Internet zone", {std::optional<std::uint32_t>{3}}, false, L"mark of the Internet zone"},
        {"the Restricted sites zone",
         {std::optional<std::uint32_t>{4}},
         false,
         L"mark of the Restricted sites zone"},
        {"the Local intranet zone",
         {std::optional<std::uint32_t>{1}},
         false,
         L"mark of the Local intranet zone"},
        {"the Trusted sites zone",
         {std::optional<std::uint32_t>{2}},
         false,
         L"mark of the Trusted sites zone"},
        {"the Trusted sites zone, which HTML Help allows",
         {std::optional<std::uint32_t>{2}},
         false,
         nullptr,
         false,
         2},
        {"a stream that cannot be read", {std::nullopt, 5, L"Access is denied."}, false, nullptr},
        {"the Internet zone, and the viewer does not start",
         {std::optional<std::uint32_t>{3}},
         true,
         nullptr},
        {"on a network share", {std::optional<std::uint32_t>{}}, false, L"lies on another computer", true},
        {"on a network share that HTML Help allows",
         {std::optional<std::uint32_t>{}},
         false,
         nullptr,
         true,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform os;
        FakeReportFacts facts;
        facts.SetZoneMark(L"All\\TovalSetHelp.chm", c.mark);
        facts.onNetwork = {c.onNetwork};
        if (c.maxAllowedZone) {
            os.SetDword(L"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\HTMLHelp\\1.x\\ItssRestrictions",
                        L"MaxAllowedZone", *c.maxAllowedZone);
        }
        if (c.viewerFails) {
            os.Fail("ShellExecuteA", 1, 2);
        }
        RunAction(os, facts, &OpenHelp);
        ASSERT_GE(os.calls().size(), 2u);
        EXPECT_EQ(os.calls()[1].rfind("ShellExecuteA(", 0), 0u) << "the viewer first";
        EXPECT_TRUE(os.errors().empty());
        EXPECT_EQ(os.OpenKeyCount(), 0u);
        if (c.says == nullptr) {
            EXPECT_TRUE(os.messages().empty());
            continue;
        }
        ASSERT_EQ(os.messages().size(), 1u);
        const std::wstring& box = os.messages()[0];
        EXPECT_NE(box.find(L"The help file All\\TovalSetHelp.chm"), std::wstring::npos) << fake::Narrow(box);
        EXPECT_NE(box.find(c.says), std::wstring::npos) << fake::Narrow(box);
        EXPECT_NE(box.find(L"Navigation to the webpage was canceled"), std::wstring::npos);
        EXPECT_NE(box.find(c.onNetwork ? L"to this computer's disk" : L"Properties, tick or press Unblock"),
                  std::wstring::npos);
    }
}

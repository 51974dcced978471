// The middleware and help buttons' actions on the real platform, from a copy of the exe's folder.
#include <windows.h>

#include "actions/buttons/Launchers.h"
#include "actions/buttons/RunAction.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tovalset;

namespace {

std::string DemoFolder() {
    return test::FolderOfThisExe() + "\\..\\..\\bin\\All";
}

class Launchers : public ::testing::Test {
protected:
    // Recorders named hh.exe in the current directory and beside the exe, where a user's Downloads folder
    // may hold anything: neither may ever be started for help.
    void PlantViewers() {
        const std::string recorder = test::FolderOfThisExe() + "\\record_start.exe";
        for (const std::string& planted : {folder_.path() + "\\hh.exe", besideExe_}) {
            ASSERT_TRUE(CopyFileA(recorder.c_str(), planted.c_str(), FALSE)) << planted;
        }
    }
    void TearDown() override {
        DeleteFileA(besideExe_.c_str());
        SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);
        SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", nullptr);
    }
    test::ScratchFolder folder_;
    const std::string besideExe_ = test::FolderOfThisExe() + "\\hh.exe";
    win32::Win32Platform os_;
    win32::Win32ReportFacts facts_;
};

} // namespace

TEST_F(Launchers, LaunchPkiToolStartsTheMiddlewareMinimizedWithoutWaiting) {
    CreateDirectoryA("All", nullptr);
    ASSERT_TRUE(CopyFileA((DemoFolder() + "\\TOVALPKI.exe").c_str(), "All\\TOVALPKI.exe", FALSE));
    std::vector<std::string> boxes;
    {
        test::MessageBoxAnswerer answerer;
        const DWORD before = GetTickCount();
        RunAction(os_, facts_, &LaunchPkiTool);
        // The middleware never ends by itself: an action that waited for it would take far longer.
        EXPECT_LT(GetTickCount() - before, test::Bound(2000)) << "the action waited for the middleware";
        boxes = answerer.texts();
    }
    const HWND window = test::WaitForWindow("TovalSetPkiStandIn", 10000);
    ASSERT_NE(window, nullptr) << "the middleware did not start";
    // The stand-in makes its window, then its label, then shows it: all three, before a look.
    const std::string text = test::WaitForShownText(window, 10000);
    EXPECT_NE(text.find("Command line: All\\TOVALPKI.exe\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Start-up window style: 2 (minimized)"), std::string::npos) << text;
    EXPECT_TRUE(IsIconic(window));
    EXPECT_TRUE(boxes.empty());
    PostMessageA(window, WM_CLOSE, 0, 0);
}

TEST_F(Launchers, WithoutTheSupportFolderTheMiddlewareButtonShowsOneErrorBox) {
    std::vector<std::string> boxes;
    {
        test::MessageBoxAnswerer answerer;
        RunAction(os_, facts_, &LaunchPkiTool);
        boxes = answerer.texts();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("error: This program could not be started:\nAll\\TOVALPKI.exe\n\n", 0), 0u)
        << boxes[0];
}

TEST_F(Launchers, OpenHelpStartsTheViewerWithTheTopicAndShowsNothing) {
    // Wine's own viewer needs a browser engine that the tests do not install: a recorder takes its place in
    // this test's throwaway prefix.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string viewer = std::string(windows) + "\\hh.exe";
    ASSERT_TRUE(CopyFileA((test::FolderOfThisExe() + "\\record_start.exe").c_str(), viewer.c_str(), FALSE));
    const std::string record = folder_.path() + "\\help.txt";
    SetEnvironmentVariableA("TOVALSET_RECORD", record.c_str());
    PlantViewers();

    std::vector<std::string> boxes;
    {
        test::MessageBoxAnswerer answerer;
        RunAction(os_, facts_, &OpenHelp);
        // The action's boxes are modal: each one it showed was answered before RunAction returned.
        boxes = answerer.texts();
    }
    ASSERT_TRUE(test::WaitForFile(record, 10000)) << "the help viewer was not started";
    const std::string started = test::FileText(record);
    const std::string parameter = " All\\TovalSetHelp.chm::/TopicFileName.htm";
    ASSERT_GE(started.size(), parameter.size());
    EXPECT_EQ(started.substr(started.size() - parameter.size()), parameter) << started;
    // The system's viewer, by its own file name, and no other.
    std::string lower = started;
    for (char& c : lower) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    std::string expected = viewer;
    for (char& c : expected) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(lower.find("\n" + expected + "\n"), std::string::npos) << started;
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Launchers, OpenHelpWithoutAViewerShowsNothingAndStartsNoPlantedOne) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    DeleteFileA((std::string(windows) + "\\hh.exe").c_str());
    DeleteFileA((std::string(windows) + "\\system32\\hh.exe").c_str());
    const std::string record = folder_.path() + "\\help.txt";
    SetEnvironmentVariableA("TOVALSET_RECORD", record.c_str());
    // A planted viewer that is started holds until released, so that it is still running when looked for:
    // its record comes some time after its start, its process at once.
    const win32::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, "TovalSetLaunchersRelease"));
    SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetLaunchersRelease");
    PlantViewers();
    std::vector<std::string> boxes;
    {
        test::MessageBoxAnswerer answerer;
        RunAction(os_, facts_, &OpenHelp);
        boxes = answerer.texts();
    }
    // Whatever the action started, it had started before RunAction returned.
    EXPECT_EQ(test::ProcessesNamed("hh.exe"), 0u) << "a planted viewer was started";
    EXPECT_TRUE(boxes.empty());
    // One that was started ends, before its file is deleted.
    SetEvent(release.get());
    test::WaitUntil([] { return test::ProcessesNamed("hh.exe") == 0; }, 10000);
}

// Run by win32_network_drive alone, in a prefix whose drive N: Wine reports as a network drive: a support
// folder there is in the Local intranet zone, whose help pages HTML Help does not show, and the box after
// the viewer says to copy the folder to this computer's disk.
TEST_F(Launchers, OpenHelpFromANetworkDriveSaysToCopyTheFolder) {
    ASSERT_EQ(GetDriveTypeA("N:\\"), static_cast<UINT>(DRIVE_REMOTE)) << "N: is no network drive here";
    EXPECT_EQ(facts_.OnNetwork(L"\\\\server\\share\\All\\TovalSetHelp.chm").value, std::optional<bool>(true));
    EXPECT_EQ(facts_.OnNetwork(L"All\\TovalSetHelp.chm").value, std::optional<bool>(false));
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(CopyFileA((test::FolderOfThisExe() + "\\record_start.exe").c_str(),
                          (std::string(windows) + "\\hh.exe").c_str(), FALSE));
    const std::string record = folder_.path() + "\\help.txt";
    SetEnvironmentVariableA("TOVALSET_RECORD", record.c_str());
    ASSERT_TRUE(SetCurrentDirectoryA("N:\\"));
    CreateDirectoryA("All", nullptr);
    const win32::UniqueHandle help(CreateFileA("All\\TovalSetHelp.chm", GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(help);
    EXPECT_EQ(facts_.OnNetwork(L"All\\TovalSetHelp.chm").value, std::optional<bool>(true));
    std::vector<std::string> boxes;
    {
        test::MessageBoxAnswerer answerer;
        RunAction(os_, facts_, &OpenHelp);
        boxes = answerer.texts();
    }
    EXPECT_TRUE(test::WaitForFile(record, 10000)) << "the help viewer was not started";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("The help file All\\TovalSetHelp.chm lies on another computer"),
              std::string::npos)
        << boxes[0];
    EXPECT_NE(boxes[0].find("copy TovalSet with its folder All to this computer's disk"), std::string::npos)
        << boxes[0];
}

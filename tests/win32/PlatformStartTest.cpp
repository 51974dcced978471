// StartProgram against a stand-in that writes down how it was started.
#include <windows.h>

#include "platform/win32/HandleCast.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win32/TestSupport.h"

#include <gtest/gtest.h>

using namespace tovalset;

namespace {

struct Record {
    int style = -2;
    std::string module;
    std::string commandLine;
};

Record Parse(const std::string& text) {
    Record record;
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return record;
    }
    record.style = std::stoi(text.substr(0, first));
    record.module = text.substr(first + 1, second - first - 1);
    record.commandLine = text.substr(second + 1);
    return record;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// A scratch folder as current directory, with the recorder copied into All\ under the given name.
class StartProgram : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA("All", nullptr);
        recorder_ = test::FolderOfThisExe() + "\\record_start.exe";
        record_ = folder_.path() + "\\started.txt";
        SetEnvironmentVariableA("TOVALSET_RECORD", record_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);
        SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", nullptr);
        SetEnvironmentVariableA("TOVALSET_EXIT_CODE", nullptr);
    }
    void Install(const std::string& name) { ASSERT_TRUE(CopyFileA(recorder_.c_str(), name.c_str(), FALSE)); }
    Record Started() {
        EXPECT_TRUE(test::WaitForFile(record_, 10000)) << "the program did not start";
        return Parse(test::ReadFile(record_));
    }

    test::ScratchFolder folder_;
    std::string recorder_;
    std::string record_;
    win32::Win32Platform os_;
};

} // namespace

TEST_F(StartProgram, PassesTheLineByteForByteAndAddsExe) {
    Install("All\\certmgr.exe");
    const std::wstring line = L"All\\certmgr /add /c  All\\IRIROOTCA.crt /s  root";
    os_.StartProgram(line, SW_HIDE);
    const Record record = Started();
    EXPECT_EQ(record.commandLine, "All\\certmgr /add /c  All\\IRIROOTCA.crt /s  root");
    EXPECT_EQ(record.style, SW_HIDE);
    EXPECT_EQ(Lower(record.module), Lower(folder_.path() + "\\All\\certmgr.exe"));
}

TEST_F(StartProgram, GivesTheChildItsWindowStyle) {
    Install("All\\TOVALPKI.exe");
    os_.StartProgram(L"All\\TOVALPKI.exe", SW_SHOWMINIMIZED);
    const Record record = Started();
    EXPECT_EQ(record.commandLine, "All\\TOVALPKI.exe");
    EXPECT_EQ(record.style, SW_SHOWMINIMIZED);
}

TEST_F(StartProgram, DoesNotWaitForTheProgram) {
    Install("All\\slow.exe");
    const win32::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, "TovalSetTestRelease"));
    SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetTestRelease");
    os_.StartProgram(L"All\\slow", SW_HIDE);
    // Back while the program still waits for its release.
    Sleep(300);
    EXPECT_EQ(GetFileAttributesA(record_.c_str()), INVALID_FILE_ATTRIBUTES);
    SetEvent(release.get());
    EXPECT_EQ(Started().commandLine, "All\\slow");
}

TEST_F(StartProgram, SearchesNoFolderButTheCurrentOne) {
    // Present beside the test exe and on the system path, but not under the current directory.
    const std::string besideExe = test::FolderOfThisExe() + "\\tovalset_probe.exe";
    ASSERT_TRUE(CopyFileA(recorder_.c_str(), besideExe.c_str(), FALSE));
    EXPECT_THROW(os_.StartProgram(L"tovalset_probe", SW_HIDE), ProgramStartError);
    DeleteFileA(besideExe.c_str());
    EXPECT_THROW(os_.StartProgram(L"notepad", SW_HIDE), ProgramStartError);
    EXPECT_EQ(GetFileAttributesA(record_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StartProgram, AMissingProgramFailsWithTheSystemsReason) {
    try {
        os_.StartProgram(L"All\\certmgr /add /c  All\\DigitalSignOld.cer /s  root", SW_HIDE);
        FAIL() << "a missing program started";
    } catch (const ProgramStartError& error) {
        EXPECT_EQ(error.commandLine(), L"All\\certmgr /add /c  All\\DigitalSignOld.cer /s  root");
        EXPECT_EQ(error.reason(), win32::SystemErrorText(ERROR_FILE_NOT_FOUND));
    }
    RemoveDirectoryA("All");
    try {
        os_.StartProgram(L"All\\TOVALPKI.exe", SW_SHOWMINIMIZED);
        FAIL() << "a program in a missing folder started";
    } catch (const ProgramStartError& error) {
        EXPECT_FALSE(error.reason().empty());
        EXPECT_EQ(error.reason().find(L"error "), std::wstring::npos) << "not the system's own text";
    }
}

TEST(ProgramPath, ResolvesTheFirstWordAgainstTheCurrentDirectory) {
    test::ScratchFolder folder;
    const std::wstring here = win32::FromAnsi(folder.path());
    EXPECT_EQ(win32::ProgramPathOf(L"All\\certmgr /add"), here + L"\\All\\certmgr.exe");
    EXPECT_EQ(win32::ProgramPathOf(L"All\\TOVALPKI.exe"), here + L"\\All\\TOVALPKI.exe");
    EXPECT_EQ(win32::ProgramPathOf(L"\"My Tools\\run\" -x"), here + L"\\My Tools\\run.exe");
    EXPECT_EQ(win32::ProgramPathOf(L"v1.2\\tool"), here + L"\\v1.2\\tool.exe");
    EXPECT_EQ(win32::ProgramPathOf(L""), L"");
}

// ---- starting and waiting ----

TEST_F(StartProgram, WaitingGivesTheExitCode) {
    Install("All\\certmgr.exe");
    SetEnvironmentVariableA("TOVALSET_EXIT_CODE", "7");
    const ProgramOutcome outcome =
        os_.StartProgramAndWait(L"All\\certmgr /add /c  All\\x.cer /s  root", SW_HIDE, 20000);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.exitCode, 7u);
    EXPECT_EQ(Started().commandLine, "All\\certmgr /add /c  All\\x.cer /s  root");
    EXPECT_EQ(Started().style, SW_HIDE);
}

TEST_F(StartProgram, WaitingEndsAtTheBoundAndLeavesTheProgramRunning) {
    Install("All\\slow.exe");
    const win32::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, "TovalSetTestRelease"));
    SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetTestRelease");
    const DWORD before = GetTickCount();
    const ProgramOutcome outcome = os_.StartProgramAndWait(L"All\\slow", SW_HIDE, 500);
    EXPECT_FALSE(outcome.finished);
    EXPECT_GE(GetTickCount() - before, 450u);
    // Still running: it finishes its work once released.
    SetEvent(release.get());
    EXPECT_EQ(Started().commandLine, "All\\slow");
}

TEST_F(StartProgram, WaitingFailsLikeStartingWhenTheProgramIsMissing) {
    EXPECT_THROW(os_.StartProgramAndWait(L"All\\certmgr /add", SW_HIDE, 1000), ProgramStartError);
}

namespace {

int paints = 0;
int clicks = 0;
bool enabledWhilePainting = true;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        ++paints;
        enabledWhilePainting = IsWindowEnabled(window) != FALSE;
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
        ++clicks;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

TEST_F(StartProgram, WhileWaitingTheWindowPaintsAndTakesNoInput) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &OwnerProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TovalSetWaitOwner";
    RegisterClassA(&windowClass);
    const win32::UniqueWindow owner(CreateWindowExA(0, "TovalSetWaitOwner", "owner", WS_OVERLAPPEDWINDOW, 0,
                                                    0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                                                    nullptr));
    ShowWindow(owner.get(), SW_SHOWNORMAL);
    UpdateWindow(owner.get());
    os_.SetMessageOwner(win32::FromHwnd(owner.get()));

    Install("All\\slow.exe");
    const win32::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, "TovalSetTestRelease"));
    SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetTestRelease");
    paints = 0;
    clicks = 0;
    InvalidateRect(owner.get(), nullptr, TRUE);
    PostMessageA(owner.get(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(owner.get(), WM_KEYDOWN, VK_SPACE, 0);
    const ProgramOutcome outcome = os_.StartProgramAndWait(L"All\\slow", SW_HIDE, 700);
    SetEvent(release.get());

    EXPECT_FALSE(outcome.finished);
    EXPECT_GE(paints, 1) << "the window was not painted during the wait";
    EXPECT_FALSE(enabledWhilePainting) << "the window took input during the wait";
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(IsWindowEnabled(owner.get()));
    Started();
}

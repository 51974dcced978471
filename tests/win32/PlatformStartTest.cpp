// StartProgram against a stand-in that writes down how it was started.
#include <windows.h>

#include "actions/buttons/Certificates.h"
#include "actions/buttons/Launchers.h"
#include "actions/buttons/RunAction.h"
#include "platform/win32/HandleCast.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"
#include "ui/ModalWindow.h"

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
        guiRecorder_ = test::FolderOfThisExe() + "\\record_start_gui.exe";
        record_ = folder_.path() + "\\started.txt";
        SetEnvironmentVariableA("TOVALSET_RECORD", record_.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);
        SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", nullptr);
        SetEnvironmentVariableA("TOVALSET_EXIT_CODE", nullptr);
        SetEnvironmentVariableA("TOVALSET_RECORD_LOG", nullptr);
    }
    // A copy over a recorder that ran before waits until that one has ended: its file is in use until its
    // process is gone, a moment after it wrote its record.
    void Install(const std::string& name, bool gui = false) {
        const std::string& from = gui ? guiRecorder_ : recorder_;
        ASSERT_TRUE(
            test::WaitUntil([&] { return CopyFileA(from.c_str(), name.c_str(), FALSE) != FALSE; }, 10000))
            << name << ": " << GetLastError();
    }
    Record Started() {
        EXPECT_TRUE(test::WaitForFile(record_, 10000)) << "the program did not start";
        return Parse(test::FileText(record_));
    }

    test::ScratchFolder folder_;
    std::string recorder_;
    std::string guiRecorder_;
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
    EXPECT_EQ(Lower(record.module), Lower(folder_.path() + "\\All\\certmgr.exe"));
}

TEST_F(StartProgram, GivesTheChildItsWindowStyleButAHiddenConsoleProgramNone) {
    struct Case {
        bool gui;
        int style;
        int expectedStyle; // -1: no show state given, so the first window the program shows is seen
    };
    for (const Case c :
         {Case{false, SW_HIDE, -1}, Case{true, SW_HIDE, SW_HIDE},
          Case{false, SW_SHOWMINIMIZED, SW_SHOWMINIMIZED}, Case{true, SW_SHOWMINIMIZED, SW_SHOWMINIMIZED}}) {
        DeleteFileA(record_.c_str());
        Install("All\\TOVALPKI.exe", c.gui);
        os_.StartProgram(L"All\\TOVALPKI.exe", c.style);
        const Record record = Started();
        EXPECT_EQ(record.commandLine, "All\\TOVALPKI.exe");
        EXPECT_EQ(record.style, c.expectedStyle) << "gui " << c.gui << ", style " << c.style;
    }
}

TEST(ProgramFile, TheSubsystemComesFromThePeHeader) {
    test::ScratchFolder folder;
    const std::string here = test::FolderOfThisExe();
    EXPECT_TRUE(win32::IsConsoleProgram(win32::FromAnsi(here + "\\record_start.exe")));
    EXPECT_FALSE(win32::IsConsoleProgram(win32::FromAnsi(here + "\\record_start_gui.exe")));
    // A 64-bit certificate manager (PE32+), as administrators of 64-bit Windows may put into the support
    // folder: the x86_64 build of the stand-in, which the 32-bit build's test presets name.
    char x64[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TOVALSET_CERTMGR_X64", x64, MAX_PATH) != 0) {
        EXPECT_TRUE(win32::IsConsoleProgram(win32::FromAnsi(std::string("Z:") + x64)))
            << x64 << " (made by the win64 preset's build)";
    }
    // Not a program, cut short after the DOS header, or not there at all: not a console program.
    const win32::UniqueHandle text(
        CreateFileA("text.exe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(text.get(), "MZ not really a program", 23, &written, nullptr);
    EXPECT_FALSE(win32::IsConsoleProgram(L"text.exe"));
    EXPECT_FALSE(win32::IsConsoleProgram(L"missing.exe"));
}

TEST_F(StartProgram, DoesNotWaitForTheProgram) {
    Install("All\\slow.exe");
    const win32::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, "TovalSetTestRelease"));
    SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetTestRelease");
    const std::string log = folder_.path() + "\\starts.log";
    SetEnvironmentVariableA("TOVALSET_RECORD_LOG", log.c_str());
    os_.StartProgram(L"All\\slow", SW_HIDE);
    // Back while the program waits for its release: it has logged its start, and not yet written its
    // record, which it does only once released. A start that waited for it would have come back only
    // after the program had given up waiting and written it.
    ASSERT_TRUE(test::WaitForText(log, "All\\slow\n", 10000)) << "the program did not start";
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
}

TEST_F(StartProgram, WaitingStopsTheProgramAtTheBound) {
    Install("All\\slow.exe");
    const win32::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, "TovalSetTestRelease"));
    SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetTestRelease");
    const DWORD before = GetTickCount();
    const ProgramOutcome outcome = os_.StartProgramAndWait(L"All\\slow", SW_HIDE, 500);
    EXPECT_FALSE(outcome.finished);
    EXPECT_GE(GetTickCount() - before, 450u);
    // Ended: released now, it writes nothing, as it is no longer there to do it. One that ran on would
    // write its record before it ends.
    SetEvent(release.get());
    EXPECT_TRUE(test::WaitUntil([] { return test::ProcessesNamed("slow.exe") == 0; }, 10000));
    EXPECT_EQ(GetFileAttributesA(record_.c_str()), INVALID_FILE_ATTRIBUTES) << "the program ran on";
}

TEST_F(StartProgram, WaitingFailsLikeStartingWhenTheProgramIsMissing) {
    EXPECT_THROW(os_.StartProgramAndWait(L"All\\certmgr /add", SW_HIDE, 1000), ProgramStartError);
}

namespace {

int paints = 0;
int clicks = 0;
bool enabledWhilePainting = true;
// What the window does on a close request during an action, sent the way a close from outside comes.
constexpr UINT kRequestClose = WM_APP + 1;
ui::ModalWindow* closer = nullptr;

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
    case kRequestClose:
        if (closer != nullptr) {
            closer->RequestClose();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

// The window's own modal state as the program wires it: the wait and the boxes go through it.
class ModalWait : public StartProgram {
protected:
    void SetUp() override {
        StartProgram::SetUp();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &OwnerProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TovalSetWaitOwner";
        RegisterClassA(&windowClass);
        owner_.reset(CreateWindowExA(0, "TovalSetWaitOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
        ShowWindow(owner_.get(), SW_SHOWNORMAL);
        UpdateWindow(owner_.get());
        modal_.Attach(owner_.get());
        closer = &modal_;
        Install("All\\slow.exe");
        SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetTestRelease");
        paints = 0;
        clicks = 0;
    }
    void TearDown() override {
        SetEvent(release_.get());
        closer = nullptr;
        StartProgram::TearDown();
    }
    win32::UniqueHandle release_{CreateEventA(nullptr, TRUE, FALSE, "TovalSetTestRelease")};
    win32::UniqueWindow owner_;
    ui::ModalWindow modal_;
    win32::Win32Platform platform_{modal_};
};

TEST_F(ModalWait, WhileWaitingTheWindowPaintsAndTakesNoInput) {
    InvalidateRect(owner_.get(), nullptr, TRUE);
    PostMessageA(owner_.get(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(owner_.get(), WM_KEYDOWN, VK_SPACE, 0);
    // Long enough, stretched with the machine, for the wait to take the messages posted before it.
    const ProgramOutcome outcome = platform_.StartProgramAndWait(L"All\\slow", SW_HIDE, test::Bound(700));

    EXPECT_FALSE(outcome.finished);
    EXPECT_GE(paints, 1) << "the window was not painted during the wait";
    EXPECT_FALSE(enabledWhilePainting) << "the window took input during the wait";
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
}

TEST_F(ModalWait, ACloseRequestEndsTheWaitAndNothingMoreStartsOrShows) {
    PostMessageA(owner_.get(), kRequestClose, 0, 0);
    const DWORD before = GetTickCount();
    EXPECT_THROW(platform_.StartProgramAndWait(L"All\\slow", SW_HIDE, test::Bound(20000)), ActionCancelled);
    EXPECT_LT(GetTickCount() - before, test::Bound(2000));
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    EXPECT_THROW(platform_.ShowMessage(L"The Import Was Successfull "), ActionCancelled);
    EXPECT_THROW(platform_.StartProgram(L"All\\slow", SW_HIDE), ActionCancelled);
    // The program that was running goes on by itself, once, when released.
    SetEvent(release_.get());
    EXPECT_EQ(Started().commandLine, "All\\slow");
}

TEST_F(ModalWait, ACloseRequestDismissesTheBoxThatShows) {
    // Posted now, it reaches the owner from within the box's own modal loop.
    PostMessageA(owner_.get(), kRequestClose, 0, 0);
    const DWORD before = GetTickCount();
    platform_.ShowMessage(L"The Import Was Successfull ");
    EXPECT_LT(GetTickCount() - before, test::Bound(2000));
    EXPECT_THROW(platform_.ShowMessage(L"The Import Was Successfull "), ActionCancelled);
}

// ---- from any folder the system can name ----

namespace {

// A folder of the given name under %TEMP%, with the recorder as the support folder's two programs, made
// the current directory while the object lives.
class NamedFolder {
public:
    explicit NamedFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        previous_ = previous;
        top_ = std::wstring(temp) + name;
        const std::wstring all = top_ + L"\\Downloads\\TovalSet\\All";
        const std::wstring recorder = win32::FromAnsi(test::FolderOfThisExe() + "\\record_start.exe");
        ok_ = CreateDirectoryW(top_.c_str(), nullptr) &&
              CreateDirectoryW((top_ + L"\\Downloads").c_str(), nullptr) &&
              CreateDirectoryW((top_ + L"\\Downloads\\TovalSet").c_str(), nullptr) &&
              CreateDirectoryW(all.c_str(), nullptr) &&
              CopyFileW(recorder.c_str(), (all + L"\\certmgr.exe").c_str(), FALSE) &&
              CopyFileW(recorder.c_str(), (all + L"\\TOVALPKI.exe").c_str(), FALSE) &&
              SetCurrentDirectoryW((top_ + L"\\Downloads\\TovalSet").c_str());
    }
    NamedFolder(const NamedFolder&) = delete;
    NamedFolder& operator=(const NamedFolder&) = delete;
    ~NamedFolder() {
        SetCurrentDirectoryW(previous_.c_str());
        test::DeleteTree(top_);
    }
    bool ok() const { return ok_; }

private:
    std::wstring top_;
    std::wstring previous_;
    bool ok_ = false;
};

} // namespace

TEST(AnyFolder, TheActionsStartTheirProgramsWithTheirOwnCommandLines) {
    // Run once under code page 1252 and once under 1256 (CTest sets the locale and names the code page).
    char expected[8] = {};
    if (GetEnvironmentVariableA("TOVALSET_ACP", expected, sizeof expected) != 0) {
        ASSERT_EQ(GetACP(), std::stoul(expected));
    }
    const std::vector<std::wstring> imports = RootCertificateImports();
    std::string root;
    for (const std::wstring& file : imports) {
        root += "All\\certmgr /add /c  All\\" + win32::ToAnsi(file) + " /s  root\n";
    }
    const std::string renewal =
        "All\\certmgr /add /c  All\\GICADigitalSign-Silver(L2)New.cer /s  root\n"
        "All\\certmgr /add /c  All\\GovernmentalGeneralIntermediateCANew.cer /s  root\n"
        "All\\certmgr /add /c  All\\IslamicRepublicofIRANRootCANew.cer /s  root\n";
    struct Case {
        const char* name;
        Action action;
        std::string lines;
        std::size_t boxes;
    };
    // The recording stand-in adds no certificate, so every import it runs is reported as not in the store:
    // one box per import.
    const Case cases[] = {{"root", &InstallRootCertificates, root, imports.size()},
                          {"new", &InstallNewCertificates, renewal, 3},
                          {"pki", &LaunchPkiTool, "All\\TOVALPKI.exe\n", 0}};
    // A Persian user name (letters code page 1256 has), two blanks in a row, and Georgian letters that no
    // ANSI code page has, all in one name: each alone is enough to break an ANSI start.
    const std::wstring folder = L"\u06a9\u0627\u0631\u0628\u0631  \u10d0\u10d1\u10d2";
    const NamedFolder named(folder);
    ASSERT_TRUE(named.ok()) << "folder " << win32::ToAnsi(folder) << ": " << GetLastError();
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string log = std::string(temp) + "tovalset-starts.log";
    SetEnvironmentVariableA("TOVALSET_RECORD", (std::string(temp) + "tovalset-start.txt").c_str());
    SetEnvironmentVariableA("TOVALSET_RECORD_LOG", log.c_str());
    for (const Case& c : cases) {
        DeleteFileA(log.c_str());
        win32::Win32Platform os;
        win32::Win32ReportFacts facts;
        std::vector<std::string> boxes;
        {
            test::MessageBoxAnswerer answerer;
            RunAction(os, facts, c.action);
            // The action's boxes are modal: each one it showed was answered before RunAction returned.
            boxes = answerer.texts();
        }
        // The certificate manager is waited for, and has logged its line by then; the middleware is not.
        EXPECT_TRUE(test::WaitForText(log, c.lines, 10000)) << c.name;
        EXPECT_EQ(test::FileText(log), c.lines) << c.name;
        EXPECT_EQ(boxes.size(), c.boxes) << c.name;
        for (const std::string& box : boxes) {
            EXPECT_EQ(box.rfind("message: ", 0), 0u) << box;
        }
    }
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);
    SetEnvironmentVariableA("TOVALSET_RECORD_LOG", nullptr);
}

// The real TovalSet.exe under Wine, driven like a user, each test checking what really changed.
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "platform/win32/Handles.h"
#include "tests/e2e/EndToEnd.h"
#include "tests/support/CertStore.h"
#include "tests/support/TestSupport.h"
#include "ui/resources/resource.h"

#include "ServiceDomain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <memory>
#include <utility>

using namespace tovalset;
using e2e::App;
using Texts = std::vector<std::string>;

namespace {

std::string Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A text under HKLM in one view of the registry (KEY_WOW64_64KEY or KEY_WOW64_32KEY); null deletes it, and
// the old text comes back as null when there was none. On 32-bit Windows both views are the one key.
std::unique_ptr<std::string> SetHklmText(REGSAM view, const char* path, const char* name, const char* text) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path;
    const win32::UniqueRegKey owner(key);
    std::unique_ptr<std::string> old;
    char data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        old = std::make_unique<std::string>(data);
    }
    if (text == nullptr) {
        RegDeleteValueA(key, name);
    } else {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text)) + 1);
    }
    return old;
}

DWORD ReadDword(const std::string& path, const char* name, DWORD& type) {
    HKEY key = nullptr;
    DWORD data = 0xFFFFFFFF;
    DWORD size = sizeof data;
    type = REG_NONE;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &key) == ERROR_SUCCESS) {
        const win32::UniqueRegKey owner(key);
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    }
    return data;
}

// The control that has the focus once it is `id`, or the one that has it when the bound runs out: a key
// reaches the window through its queue, some time after it was sent.
int FocusOnceItIs(const App& app, int id) {
    test::WaitUntil([&] { return GetDlgCtrlID(app.focus()) == id; }, 5000);
    return GetDlgCtrlID(app.focus());
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindReport(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) && Text(window) == "TovalSet status report") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The status report dialog of the program, or none.
HWND ReportDialog(const App& app) {
    Search search{app.processId(), nullptr};
    EnumWindows(&FindReport, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A control's text asked of the control itself: GetWindowText gives another process's edit control only
// its caption, which an edit control does not keep its text in.
std::wstring WideText(HWND control) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, test::Bound(5000), &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, test::Bound(5000), &copied);
    text.resize(copied);
    return text;
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

// The Unicode text on the clipboard; empty when it holds none.
std::wstring ClipboardText() {
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (const auto* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
                text = locked;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    return text;
}

// A saved report without its "Report made: ..." line, the one line in which two reports made one after
// the other differ.
std::string WithoutMadeLine(std::string report) {
    const std::size_t made = report.find("\r\nReport made: ");
    if (made != std::string::npos) {
        report.erase(made, report.find("\r\n", made + 2) - made);
    }
    return report;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = folder_.path() + "\\TovalSet";
        ASSERT_TRUE(test::CopyTree(e2e::BinFolder(), app_));
    }
    test::ScratchFolder folder_;
    std::string app_;
};

} // namespace

TEST_F(EndToEnd, TheWindowHasItsTitleSizeAndControlsWhereTheyBelong) {
    App app(app_);
    EXPECT_EQ(Text(app.window()), "Toval Win XP");
    RECT client;
    GetClientRect(app.window(), &client);
    EXPECT_EQ(client.right, 313);
    EXPECT_EQ(client.bottom, 213);
    struct Box {
        int id, left, top, width, height;
    };
    for (const Box& b : {Box{IDC_LABEL2, 16, 8, 72, 30}, Box{IDC_LABEL3, 96, 8, 201, 30},
                         Box{IDC_LABEL1, 16, 48, 72, 30}, Box{IDC_LABEL4, 96, 48, 201, 30},
                         Box{IDC_COMMAND1, 160, 88, 130, 35}, Box{IDC_COMMAND2, 160, 168, 130, 35},
                         Box{IDC_COMMAND3, 24, 168, 130, 35}, Box{IDC_COMMAND4, 160, 128, 130, 35},
                         Box{IDC_COMMAND5, 24, 88, 130, 35}, Box{IDC_COMMAND6, 24, 128, 130, 35}}) {
        const RECT r = e2e::ClientBox(app.control(b.id), app.window());
        EXPECT_EQ(r.left, b.left) << b.id;
        EXPECT_EQ(r.top, b.top) << b.id;
        EXPECT_EQ(r.right - r.left, b.width) << b.id;
        EXPECT_EQ(r.bottom - r.top, b.height) << b.id;
    }
    EXPECT_EQ(Text(app.control(IDC_LABEL2)), "Os Versoin:");
    EXPECT_EQ(Text(app.control(IDC_LABEL1)), "IE Versoins:");
}

// The facts come from the system's own view of the registry. A 32-bit process on 64-bit Windows has a
// 32-bit copy of HKLM\SOFTWARE (Wow6432Node) too, which can lag behind an edition upgrade or the build:
// each step writes that copy first, with the lagging text, then the system's view. On 32-bit Windows the
// second write replaces the first, so every step expects the same labels wherever it runs.
// Values under HKLM for one test, in one view of the registry each: set when made, taken away again when it
// goes (texts that were there before come back).
class SeededValues {
public:
    SeededValues() = default;
    SeededValues(const SeededValues&) = delete;
    SeededValues& operator=(const SeededValues&) = delete;
    SeededValues(SeededValues&&) = delete;
    SeededValues& operator=(SeededValues&&) = delete;
    ~SeededValues() {
        for (auto value = texts_.rbegin(); value != texts_.rend(); ++value) {
            SetHklmText(value->view, value->path, value->name, value->old ? value->old->c_str() : nullptr);
        }
        for (const auto& [path, name] : numbers_) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) ==
                ERROR_SUCCESS) {
                const win32::UniqueRegKey owner(key);
                RegDeleteValueA(key, name);
            }
        }
    }
    void Text(REGSAM view, const char* path, const char* name, const char* text) {
        texts_.push_back({view, path, name, SetHklmText(view, path, name, text)});
    }
    void Number(const char* path, const char* name, DWORD number) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS)
            << path;
        const win32::UniqueRegKey owner(key);
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        numbers_.emplace_back(path, name);
    }

private:
    struct Kept {
        REGSAM view;
        const char* path;
        const char* name;
        std::unique_ptr<std::string> old;
    };
    std::vector<Kept> texts_;
    // In the system's view: the policies and the system's settings, which both views share.
    std::vector<std::pair<const char*, const char*>> numbers_;
};

TEST_F(EndToEnd, TheLabelsShowWhatTheSystemsViewHoldsOrNothing) {
    const char* windows = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    const char* browser = "SOFTWARE\\Microsoft\\Internet Explorer";
    struct Write {
        const char* path;
        const char* name;
        const char* system; // null: deleted
        const char* copy;
    };
    struct Step {
        std::vector<Write> writes;
        const char* product;
        const char* version;
    };
    const Step steps[] = {
        {{{windows, "ProductName", "Windows 10 Enterprise", "Windows 10 Pro"},
          {windows, "CurrentBuildNumber", "22631", "19045"},
          {browser, "svcVersion", "11.0.22621.0", "11.0.19041.0"},
          {browser, "Version", "9.11.22621.0", "9.11.19041.0"}},
         "Windows 11 Enterprise",
         "11.0.22621.0"},
        {{{windows, "ProductName", nullptr, "Windows 10 Pro"},
          {browser, "svcVersion", nullptr, "11.0.19041.0"}},
         "",
         "9.11.22621.0"},
        {{{browser, "Version", nullptr, "9.11.19041.0"}}, "", ""},
    };
    // The prefix's own facts come back when it goes, the first text of each value last.
    SeededValues seeded;
    for (const Step& step : steps) {
        for (const Write& write : step.writes) {
            for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
                seeded.Text(view, write.path, write.name,
                            view == KEY_WOW64_32KEY ? write.copy : write.system);
            }
        }
        App app(app_);
        EXPECT_EQ(Text(app.control(IDC_LABEL3)), step.product) << "step " << (&step - steps);
        EXPECT_EQ(Text(app.control(IDC_LABEL4)), step.version) << "step " << (&step - steps);
    }
}

TEST_F(EndToEnd, TheStatusReportFromTheSystemMenuIsCopiedSavedAndClosed) {
    // The system's own view and the 32-bit copy differ, as after an edition upgrade: the report, like the
    // window, names the system's. On 32-bit Windows both are one key, which ends with the system's text.
    const char* windows = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    SeededValues seeded;
    seeded.Text(KEY_WOW64_32KEY, windows, "ProductName", "Windows 10 Pro");
    seeded.Text(KEY_WOW64_64KEY, windows, "ProductName", "Windows 10 Enterprise");
    App app(app_);
    // Up from where the menu opens wraps round to its last item, About; once more is the report.
    app.ChooseSystemMenuItem(2);
    HWND dialog = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] { return (dialog = ReportDialog(app)) != nullptr; }, 10000));
    const std::wstring report = WideText(GetDlgItem(dialog, IDC_REPORT_TEXT));
    const std::string text(report.begin(), report.end()); // enough to find the ASCII lines below in
    EXPECT_EQ(text.rfind("TovalSet status report\r\n", 0), 0u) << text;
    const std::string bits = sizeof(void*) == 8 ? "64-bit" : "32-bit";
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::string windowsBits = sizeof(void*) == 8 || wow64 != FALSE ? "64-bit" : "32-bit";
    for (const std::string& line :
         {std::string("Version: TovalSet 1.00"), "Current directory: " + app_,
          std::string("Product: Windows 10 Enterprise"),
          "Process: " + bits + " process on " + windowsBits.append(" Windows"), std::string("All: present"),
          "All\\certmgr.exe: present, console program, " + bits + ", not signed",
          // Signed at build time with the TEST ONLY key. Whether it verifies is Windows' to say: Wine's
          // WinVerifyTrust takes any signature whose own hash holds, so the words after are not checked.
          "All\\TOVALPKI.exe: present, windowed program, " + bits + ", signed, ",
          "All\\" + e2e::CertificateFiles().back() + ": CN="}) {
        EXPECT_NE(text.find("\r\n" + line), std::string::npos) << line << " in:\n" << text;
    }

    // The keyboard reaches the buttons: the text has the focus first, and Tab goes on to Copy.
    EXPECT_EQ(GetDlgCtrlID(app.focus()), IDC_REPORT_TEXT);
    App::KeyTo(dialog, VK_TAB);
    EXPECT_TRUE(test::WaitUntil([&] { return GetDlgCtrlID(app.focus()) == IDC_REPORT_COPY; }, 5000));

    // Copy puts the very text on the clipboard.
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    App::ClickIn(GetDlgItem(dialog, IDC_REPORT_COPY));
    EXPECT_TRUE(test::WaitUntil([&] { return ClipboardText() == report; }, 5000)) << "the clipboard holds:\n"
                                                                                  << Utf8(ClipboardText());

    // Save to Desktop writes it in UTF-8 after a byte-order mark, and says where.
    App::ClickIn(GetDlgItem(dialog, IDC_REPORT_SAVE));
    const Texts saved = app.AnswerBoxes(1);
    ASSERT_EQ(saved.size(), 1u);
    const std::string said = "message: The report was saved as:\n";
    ASSERT_EQ(saved[0].rfind(said, 0), 0u) << saved[0];
    const std::string path = saved[0].substr(said.size());
    EXPECT_NE(path.find("\\TovalSet report "), std::string::npos) << path;
    EXPECT_EQ(test::FileText(path), "\xEF\xBB\xBF" + Utf8(report));
    DeleteFileA(path.c_str());

    // /report writes the same bytes as Save, but for the moment it was made, and shows no window; its exit
    // code is the verdict's.
    const std::string file = folder_.path() + "\\report.txt";
    const e2e::CommandRun run = e2e::RunCommand(app_, "/report \"" + file + "\"", false);
    EXPECT_FALSE(run.windowShown);
    EXPECT_EQ(run.exitCode, text.find("\r\nNothing: ") != std::string::npos ? 0 : 1);
    EXPECT_EQ(WithoutMadeLine(test::FileText(file)), WithoutMadeLine("\xEF\xBB\xBF" + Utf8(report)));

    // Escape closes it, and so does Close; then the window is ready again. The item's letter opens it too.
    App::KeyTo(dialog, VK_ESCAPE);
    EXPECT_TRUE(test::WaitUntil([&] { return IsWindow(dialog) == FALSE; }, 5000));
    app.ChooseSystemMenuLetter('P');
    ASSERT_TRUE(test::WaitUntil([&] { return (dialog = ReportDialog(app)) != nullptr; }, 10000));
    App::ClickIn(GetDlgItem(dialog, IDCANCEL));
    EXPECT_TRUE(test::WaitUntil([&] { return IsWindow(dialog) == FALSE; }, 5000));
    EXPECT_EQ(app.WaitUntilReady(), "");
}

TEST_F(EndToEnd, TabWalksTheButtonsInOrderAndEscapeDoesNothing) {
    App app(app_);
    // The window gives the first button the focus once it is made active, in the window manager's time.
    EXPECT_EQ(FocusOnceItIs(app, IDC_COMMAND1), IDC_COMMAND1);
    for (const int id :
         {IDC_COMMAND2, IDC_COMMAND3, IDC_COMMAND4, IDC_COMMAND5, IDC_COMMAND6, IDC_COMMAND1}) {
        app.Key(VK_TAB);
        EXPECT_EQ(FocusOnceItIs(app, id), id);
    }
    app.Key(VK_TAB, true);
    EXPECT_EQ(FocusOnceItIs(app, IDC_COMMAND6), IDC_COMMAND6);
    // Escape does nothing. The window takes its keys in order, so the keys after it show that: they find
    // the focus where Escape left it, and no box in their way (a box would take them), and the Space at
    // the end brings the focused button's one box.
    app.Key(VK_ESCAPE);
    for (const int id : {IDC_COMMAND5, IDC_COMMAND4, IDC_COMMAND3, IDC_COMMAND2}) {
        app.Key(VK_TAB, true);
        ASSERT_EQ(FocusOnceItIs(app, id), id);
    }
    EXPECT_TRUE(app.Running());

    // Space acts on the focused button. Its box is answered by the command an OK click becomes: on the
    // emulated machine a mouse click on the box that the Space key brought was never taken (the boxes that
    // mouse clicks bring are answered by mouse in the tests below).
    app.Key(VK_SPACE);
    EXPECT_EQ(app.AnswerBoxes(1, 20000, App::Answer::ByMessage), Texts{"message: Confoguration Is OK!!"});
    EXPECT_EQ(app.WaitUntilReady(), "");
}

TEST_F(EndToEnd, InstallCertificatesPutsAllSevenIntoTheRootStore) {
    App app(app_);
    app.Click(app.control(IDC_COMMAND1));
    EXPECT_EQ(app.AnswerBoxes(8), Texts(8, "message: The Import Was Successfull "));
    // Ready again after the eighth box: the action has ended, no ninth comes.
    EXPECT_EQ(app.WaitUntilReady(), "");
    const std::string all = app_ + "\\All\\";
    for (const std::string& file : e2e::CertificateFiles()) {
        EXPECT_TRUE(test::InStore("root", test::Thumbprint(all + file))) << file;
    }
}

TEST_F(EndToEnd, EnterOnTheRenewalButtonInstallsTheRenewedCertificates) {
    App app(app_);
    for (const int id : {IDC_COMMAND2, IDC_COMMAND3, IDC_COMMAND4}) {
        app.Key(VK_TAB);
        ASSERT_EQ(FocusOnceItIs(app, id), id);
    }
    app.Key(VK_RETURN);
    EXPECT_EQ(app.AnswerBoxes(1), Texts{"message: GovernmentalGeneralIntermediateCANew Is OK!"});
    EXPECT_EQ(app.WaitUntilReady(), "");
    EXPECT_TRUE(test::InStore("root", test::Thumbprint(app_ + "\\All\\IslamicRepublicofIRANRootCANew.cer")));
}

TEST_F(EndToEnd, BrowserSettingsAreWrittenAndEveryBrowserWindowIsClosed) {
    // A browser of another process, whose frames close when asked.
    const std::string done = folder_.path() + "\\browser-done";
    const std::string output = folder_.path() + "\\browser.txt";
    std::string line =
        "\"" + test::FolderOfThisExe() + "\\..\\win32\\fake_browser.exe\" \"" + done + "\" close";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const win32::UniqueHandle out(
        CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &started));
    const win32::UniqueHandle browser(started.hProcess);
    const win32::UniqueHandle thread(started.hThread);
    ASSERT_TRUE(test::WaitForText(output, "ready", 10000)) << "the stand-in browser did not come up";

    App app(app_);
    app.Click(app.control(IDC_COMMAND2));
    EXPECT_EQ(app.AnswerBoxes(1), Texts{"message: Confoguration Is OK!!"});
    EXPECT_EQ(app.WaitUntilReady(), "");
    EXPECT_EQ(WaitForSingleObject(browser.get(), test::Bound(10000)), WAIT_OBJECT_0)
        << "the browser frames did not all close";
    EXPECT_NE(test::FileText(output).find("IEFrame 1\r\nIEFrame 1\r\nTovalSetOther 0\r\nIEFrame 1"),
              std::string::npos)
        << test::FileText(output);

    const std::string settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    for (const char* name : {"1001", "1004", "1201", "1400", "1402", "1208"}) {
        DWORD type = 0;
        EXPECT_EQ(ReadDword(settings + "\\Zones\\2", name, type), 0u) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
    }
    DWORD type = 0;
    EXPECT_EQ(ReadDword(settings + "\\ZoneMap\\Domains\\pki.toval.example", "*", type), 2u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

namespace {

const char* const kInternetSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The service domain's key under ZoneMap\Domains; a host name is ASCII.
std::string DomainKey() {
    const std::wstring domain = TOVALSET_SERVICE_DOMAIN;
    return std::string(kInternetSettings) + "\\ZoneMap\\Domains\\" +
           std::string(domain.begin(), domain.end());
}

// The seven values the IE settings button writes, each as its type and bytes, or "not there".
std::map<std::string, std::string> ZoneValues() {
    std::map<std::string, std::string> values;
    const auto read = [&](const std::string& path, const char* name) {
        std::string text = "not there";
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            const win32::UniqueRegKey owner(key);
            BYTE data[256] = {};
            DWORD size = sizeof data;
            DWORD type = REG_NONE;
            if (RegQueryValueExW(key, std::wstring(name, name + strlen(name)).c_str(), nullptr, &type, data,
                                 &size) == ERROR_SUCCESS) {
                text = "type " + std::to_string(type) + ":";
                for (DWORD i = 0; i < size; ++i) {
                    text += " " + std::to_string(data[i]);
                }
            }
        }
        values[path + "|" + name] = text;
    };
    for (const char* name : {"1001", "1004", "1201", "1400", "1402", "1208"}) {
        read(std::string(kInternetSettings) + "\\Zones\\2", name);
    }
    read(DomainKey(), "*");
    return values;
}

void DeleteValue(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        const win32::UniqueRegKey owner(key);
        RegDeleteValueA(key, name);
    }
}

// This user as before TovalSet, whatever the tests before left in the prefix: no record, none of the
// support folder's certificates, and no zone value but what the test sets.
void AsBeforeTovalSet(const std::string& all) {
    for (const char* name : {"Made", "Certificates", "Values", "Keys made"}) {
        DeleteValue("Software\\TovalSet", name);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TovalSet");
    for (const std::string& file : e2e::CertificateFiles()) {
        EXPECT_TRUE(test::RemoveFromUserStore("root", all + file)) << file;
    }
    for (const char* name : {"1001", "1004", "1201", "1400", "1402", "1208"}) {
        DeleteValue(std::string(kInternetSettings) + "\\Zones\\2", name);
    }
    DeleteValue(DomainKey(), "*");
    RegDeleteKeyA(HKEY_CURRENT_USER, DomainKey().c_str());
}

} // namespace

// Both certificate scripts and the IE settings button, then Undo from the system menu: the user's root
// store holds the same thumbprints as before the first button, a certificate imported before TovalSet
// ran is still there, and the seven zone values are as they were, a text value among them.
TEST_F(EndToEnd, UndoLeavesTheRootStoreAndTheZoneAsTheyWereBeforeTheFirstButton) {
    const std::string all = app_ + "\\All\\";
    AsBeforeTovalSet(all);
    const std::string before = all + "IRIROOTCA.crt";
    ASSERT_TRUE(test::AddToUserStore("root", before));
    HKEY zone = nullptr;
    ASSERT_EQ(
        RegCreateKeyA(HKEY_CURRENT_USER, (std::string(kInternetSettings) + "\\Zones\\2").c_str(), &zone),
        ERROR_SUCCESS);
    {
        const win32::UniqueRegKey owner(zone);
        const DWORD prompt = 1;
        RegSetValueExA(zone, "1001", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&prompt), sizeof prompt);
        RegSetValueExW(zone, L"1400", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"3"), 2 * sizeof(wchar_t));
    }
    const std::set<std::vector<BYTE>> roots = test::UserStoreThumbprints("root");
    const std::map<std::string, std::string> values = ZoneValues();

    App app(app_);
    app.Click(app.control(IDC_COMMAND1));
    EXPECT_EQ(app.AnswerBoxes(8), Texts(8, "message: The Import Was Successfull "));
    app.Click(app.control(IDC_COMMAND4));
    EXPECT_EQ(app.AnswerBoxes(1), Texts{"message: GovernmentalGeneralIntermediateCANew Is OK!"});
    app.Click(app.control(IDC_COMMAND2));
    EXPECT_EQ(app.AnswerBoxes(1), Texts{"message: Confoguration Is OK!!"});
    ASSERT_EQ(app.WaitUntilReady(), "");
    ASSERT_NE(ZoneValues(), values) << "the button changed nothing";

    // The question, answered OK by mouse, and the closing box.
    app.ChooseSystemMenuLetter('U');
    const Texts shown = app.AnswerBoxes(2, 60000);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].rfind("message: Undo what TovalSet changed for this user?", 0), 0u) << shown[0];
    EXPECT_EQ(shown[0].find("IRIROOTCA"), std::string::npos) << "it would remove what was there before";
    EXPECT_EQ(shown[1].rfind("message: Undone:", 0), 0u) << shown[1];
    EXPECT_EQ(shown[1].find("Not undone"), std::string::npos) << shown[1];
    EXPECT_EQ(app.WaitUntilReady(), "");

    EXPECT_EQ(test::UserStoreThumbprints("root"), roots);
    EXPECT_TRUE(test::InStore("root", test::Thumbprint(before)));
    EXPECT_EQ(ZoneValues(), values);
    AsBeforeTovalSet(all);
}

TEST_F(EndToEnd, TheMiddlewareStartsMinimizedAndKeepsRunningAfterTheExitButton) {
    App app(app_);
    app.Click(app.control(IDC_COMMAND5));
    const HWND middleware = test::WaitForWindow("TovalSetPkiStandIn", 10000);
    ASSERT_NE(middleware, nullptr);
    // The stand-in makes its window, then its label, then shows it minimized: all three, before a look.
    const std::string text = test::WaitForShownText(middleware, 10000);
    EXPECT_NE(text.find("Command line: All\\TOVALPKI.exe\r\n"), std::string::npos) << text;
    EXPECT_TRUE(IsIconic(middleware));
    // The action has ended without a box.
    EXPECT_EQ(app.WaitUntilReady(), "");
    // The window manager would take TovalSet down with the middleware on its own time, and nothing tells
    // when it has decided not to: this window, stretched with the machine, is the only way to look.
    EXPECT_FALSE(test::WaitUntil([&] { return IsIconic(app.window()) != FALSE; }, 1000))
        << "TovalSet was minimized with the middleware";

    app.Click(app.control(IDC_COMMAND3));
    EXPECT_EQ(app.WaitForExit(10000), 0);
    EXPECT_TRUE(IsWindow(middleware)) << "the middleware ended with TovalSet";
    PostMessageA(middleware, WM_CLOSE, 0, 0);
}

TEST_F(EndToEnd, HelpStartsTheViewerWithTheTopic) {
    ASSERT_TRUE(e2e::InstallRecordingHelpViewer());
    const std::string record = folder_.path() + "\\help.txt";
    SetEnvironmentVariableA("TOVALSET_RECORD", record.c_str()); // inherited by TovalSet and the viewer
    App app(app_);
    SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);
    app.Click(app.control(IDC_COMMAND6));
    ASSERT_TRUE(test::WaitForFile(record, 10000));
    const std::string started = test::FileText(record);
    EXPECT_NE(started.find("hh.exe"), std::string::npos) << started;
    EXPECT_NE(started.find(" All\\TovalSetHelp.chm::/TopicFileName.htm"), std::string::npos) << started;
    // The viewer ran, so the action got that far; ready again, it has ended without a box.
    EXPECT_EQ(app.WaitUntilReady(), "");
}

namespace {

// The user's own SID, as the account this test and the TovalSet it starts run as.
std::string OwnSid() {
    HANDLE opened = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened);
    const win32::UniqueHandle token(opened);
    BYTE user[256] = {};
    DWORD size = 0;
    char* text = nullptr;
    if (!token || !GetTokenInformation(token.get(), TokenUser, user, sizeof user, &size) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) {
        return "?";
    }
    std::string sid = text;
    LocalFree(text);
    return sid;
}

} // namespace

// What today's desktops do to a success: a certificate the user's Untrusted Certificates store holds, and
// a help file unpacked from a zip downloaded from the service's own site, once TovalSet has put it into
// Trusted Sites: its mark of that zone still leaves the help blank. Each has its box, and the report names
// them and the account, known and the same as the desktop's.
TEST_F(EndToEnd, DistrustedAndMarkedFilesAreToldInTheirBoxesAndTheReport) {
    const std::string distrusted = app_ + "\\All\\GovernmentalGeneralIntermediateCANew.cer";
    ASSERT_TRUE(test::AddToUserStore("Disallowed", distrusted));
    // Anything that lists All sees the stream (Wine keeps it as a file beside), and the store outlives
    // the test: both go whatever happens.
    const std::string mark = app_ + "\\All\\TovalSetHelp.chm:Zone.Identifier";
    class Undo {
    public:
        Undo(std::string certificate, std::string stream)
            : certificate_(std::move(certificate)), stream_(std::move(stream)) {}
        Undo(const Undo&) = delete;
        Undo& operator=(const Undo&) = delete;
        Undo(Undo&&) = delete;
        Undo& operator=(Undo&&) = delete;
        ~Undo() {
            test::RemoveFromUserStore("Disallowed", certificate_);
            DeleteFileA(stream_.c_str());
        }

    private:
        std::string certificate_;
        std::string stream_;
    } undo{distrusted, mark};
    {
        const win32::UniqueHandle stream(CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::string zone = "[ZoneTransfer]\r\nZoneId=2\r\n";
        DWORD written = 0;
        ASSERT_TRUE(stream &&
                    WriteFile(stream.get(), zone.data(), static_cast<DWORD>(zone.size()), &written, nullptr));
    }
    ASSERT_TRUE(e2e::InstallRecordingHelpViewer());
    const std::string record = folder_.path() + "\\help.txt";
    SetEnvironmentVariableA("TOVALSET_RECORD", record.c_str());
    App app(app_);
    SetEnvironmentVariableA("TOVALSET_RECORD", nullptr);

    app.Click(app.control(IDC_COMMAND4));
    EXPECT_EQ(
        app.AnswerBoxes(1),
        Texts{"message: Import failed: All\\GovernmentalGeneralIntermediateCANew.cer (certmgr reported "
              "success, but the certificate is in your Untrusted Certificates store, so Windows will not "
              "trust it: take it out of there (certmgr.msc, Untrusted Certificates))."});
    EXPECT_EQ(app.WaitUntilReady(), "");

    app.Click(app.control(IDC_COMMAND6));
    const Texts help = app.AnswerBoxes(1);
    EXPECT_TRUE(test::WaitForFile(record, 10000)) << "the viewer was not started";
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(
        help[0].rfind(
            "message: The help file All\\TovalSetHelp.chm carries the mark of the Trusted sites zone", 0),
        0u)
        << help[0];
    EXPECT_EQ(app.WaitUntilReady(), "");

    app.ChooseSystemMenuItem(2);
    HWND dialog = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] { return (dialog = ReportDialog(app)) != nullptr; }, 10000));
    const std::wstring report = WideText(GetDlgItem(dialog, IDC_REPORT_TEXT));
    const std::string text(report.begin(), report.end());
    const std::string sid = OwnSid();
    for (const std::string& line :
         {std::string(
              "All\\TovalSetHelp.chm: present\r\n  Mark of the web: the Trusted sites zone (ZoneId 2)\r\n"),
          std::string(
              "\r\n- All\\TovalSetHelp.chm carries the mark of the Trusted sites zone, so the help shows "
              "none of its pages: unblock it in its Properties.\r\n"),
          std::string(
              "  Untrusted Certificates: in your Untrusted Certificates store: Windows will not trust it"),
          std::string("\r\nDesktop user: "),
          " (" + sid + ")\r\nTovalSet runs as: ", " (" + sid + "), the desktop's user\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in:\n" << text;
    }
    App::KeyTo(dialog, VK_ESCAPE);
    EXPECT_TRUE(test::WaitUntil([&] { return IsWindow(dialog) == FALSE; }, 5000));
    EXPECT_EQ(app.WaitUntilReady(), "");
}

// A Windows 11 desktop with Edge's IE mode and its site list by policy, a 64-bit Firefox 128 in the
// system's view and an old 32-bit one in the 32-bit copy, Firefox's ImportEnterpriseRoots policy at 0, and
// Smart App Control on: the report says which browser uses what TovalSet sets, and its verdict names the
// unsigned certificate manager and Firefox locked out of the system's roots.
TEST_F(EndToEnd, TheReportTellsWhichBrowsersUseWhatTovalSetSets) {
    SeededValues seeded;
    const char* windows = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        seeded.Text(view, windows, "CurrentBuildNumber", "22631");
    }
    // Edge's updater is a 32-bit program: its key is in the 32-bit copy.
    seeded.Text(KEY_WOW64_32KEY,
                "SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{56EB18F8-B008-4CBD-B6D2-8C97FE7E9062}", "pv",
                "131.0.2903.86");
    // On 32-bit Windows both are the one key, and the second write stands.
    seeded.Text(KEY_WOW64_32KEY, "SOFTWARE\\Mozilla\\Mozilla Firefox", "CurrentVersion", "102.0 (x86 en-US)");
    seeded.Text(KEY_WOW64_64KEY, "SOFTWARE\\Mozilla\\Mozilla Firefox", "CurrentVersion",
                "128.5.1 (x64 en-US)");
    seeded.Text(KEY_WOW64_64KEY, "SOFTWARE\\Policies\\Microsoft\\Edge", "InternetExplorerIntegrationSiteList",
                "https://intranet/sites.xml");
    seeded.Number("SOFTWARE\\Policies\\Microsoft\\Edge", "InternetExplorerIntegrationLevel", 1);
    seeded.Number("SYSTEM\\CurrentControlSet\\Control\\CI\\Policy", "VerifiedAndReputablePolicyState", 1);
    seeded.Number("SOFTWARE\\Policies\\Mozilla\\Firefox\\Certificates", "ImportEnterpriseRoots", 0);
    App app(app_);
    app.ChooseSystemMenuLetter('P');
    HWND dialog = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] { return (dialog = ReportDialog(app)) != nullptr; }, 10000));
    const std::wstring report = WideText(GetDlgItem(dialog, IDC_REPORT_TEXT));
    const std::string text(report.begin(), report.end());
    const std::wstring wideDomain = TOVALSET_SERVICE_DOMAIN;
    const std::string domain(wideDomain.begin(), wideDomain.end());
    for (const std::string& line :
         {std::string("TovalSet status report\r\n\r\nWhat keeps the service from working here\r\n"),
          std::string(
              "\r\n- Smart App Control is on and All\\certmgr.exe carries no signature, so Windows may "
              "not start it"),
          std::string(
              "\r\n- Firefox does not use the certificates TovalSet installs: the ImportEnterpriseRoots "
              "policy is 0, which turns that off and locks it: ask your administrator to set the policy "
              "to 1.\r\n"),
          std::string("\r\nSmart App Control: on: programs without a trusted signature may not start\r\n"),
          std::string("\r\n  Runs as a browser: no, never on Windows 11\r\n"),
          std::string(
              "\r\nEdge: 131.0.2903.86\r\n  IE mode: on by policy (InternetExplorerIntegrationLevel 1)\r\n"),
          "\r\n  IE mode site list: https://intranet/sites.xml: check that it names " + domain + "\r\n",
          std::string(
              "\r\nFirefox: 128.5.1 (x64 en-US)\r\n  Uses the certificates TovalSet installs: no: the "
              "ImportEnterpriseRoots policy is 0, which turns that off and locks it\r\n"),
          std::string("\r\nUse the user's root store: Edge\r\n")}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in:\n" << text;
    }
    // Edge's IE mode is on by policy: nothing says the zone settings take effect nowhere.
    EXPECT_EQ(text.find("take effect in no browser"), std::string::npos) << text;
    App::KeyTo(dialog, VK_ESCAPE);
    EXPECT_TRUE(test::WaitUntil([&] { return IsWindow(dialog) == FALSE; }, 5000));
    EXPECT_EQ(app.WaitUntilReady(), "");
}

TEST_F(EndToEnd, WithoutTheSupportFolderOneErrorBoxAndTheWindowGoesOn) {
    test::DeleteTree(app_ + "\\All");
    App app(app_);
    app.Click(app.control(IDC_COMMAND1));
    const Texts boxes = app.AnswerBoxes(1);
    EXPECT_EQ(app.WaitUntilReady(), "");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("error: This program could not be started:\nAll\\certmgr /add /c  "
                             "All\\DigitalSignOld.cer /s  root",
                             0),
              0u)
        << boxes[0];
    app.Click(app.control(IDC_COMMAND2));
    EXPECT_EQ(app.AnswerBoxes(1), Texts{"message: Confoguration Is OK!!"});
    EXPECT_EQ(app.WaitUntilReady(), "");
    EXPECT_TRUE(app.Running());
}

TEST_F(EndToEnd, ClosingTheFrameEndsTheProgramWithoutAQuestion) {
    App app(app_);
    app.Click(app.control(IDC_COMMAND5));
    const HWND middleware = test::WaitForWindow("TovalSetPkiStandIn", 10000);
    ASSERT_NE(middleware, nullptr);
    PostMessageA(app.window(), WM_SYSCOMMAND, SC_CLOSE, 0); // what the frame's close box and Alt+F4 send
    EXPECT_EQ(app.WaitForExit(10000), 0);
    EXPECT_TRUE(IsWindow(middleware)) << "the middleware ended with TovalSet";
    PostMessageA(middleware, WM_CLOSE, 0, 0);
}

TEST(Exe, CarriesItsVersionRecord) {
    const std::string exe = e2e::ExeUnderTest();
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    struct Translation {
        WORD language, codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation->language, 0x0409);
    EXPECT_EQ(translation->codePage, 1200);
    for (const auto& [name, value] : {std::pair<const char*, const char*>{"ProductName", "TovalSet"},
                                      {"InternalName", "TovalSet"},
                                      {"OriginalFilename", "TovalSet.exe"},
                                      {"FileVersion", "1.00"},
                                      {"ProductVersion", "1.00"}}) {
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(data.data(), (std::string("\\StringFileInfo\\040904B0\\") + name).c_str(),
                                   reinterpret_cast<void**>(&text), &length))
            << name;
        EXPECT_STREQ(text, value) << name;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
}

TEST_F(EndToEnd, EachButtonShowsExactlyItsPicture) {
    App app(app_);
    SetForegroundWindow(app.window());
    ASSERT_TRUE(test::WaitUntil([&] { return GetForegroundWindow() == app.window(); }, 5000));
    const std::string exe = e2e::ExeUnderTest();
    for (int i = 0; i < 6; ++i) {
        const HWND button = app.control(IDC_COMMAND1 + i);
        const e2e::Pixels picture = e2e::ExeBitmap(exe, IDR_COMMAND1 + i);
        ASSERT_EQ(picture.width, 130);
        ASSERT_EQ(picture.height, 35);
        RECT box;
        GetWindowRect(button, &box);
        // The window draws itself in its own time once in front: the screen is looked at until it shows
        // the picture, and what it showed last is what counts.
        int differing = -1;
        test::WaitUntil(
            [&] {
                const e2e::Pixels shown = e2e::CaptureScreen(box);
                if (shown.width != 130 || shown.height != 35) {
                    return false;
                }
                // The focused button also carries its dotted focus ring, 3 pixels in from its edge.
                const bool focused = app.focus() == button;
                differing = 0;
                for (int y = 0; y < 35; ++y) {
                    for (int x = 0; x < 130; ++x) {
                        const bool ring = (x == 3 || x == 126 || y == 3 || y == 31) && x >= 3 && x <= 126 &&
                                          y >= 3 && y <= 31;
                        if (!(focused && ring) && shown.at(x, y) != picture.at(x, y)) {
                            ++differing;
                        }
                    }
                }
                return differing == 0;
            },
            5000);
        EXPECT_EQ(differing, 0) << "Command" << i + 1 << " (-1: the screen showed no box of its size)";
    }
}

// ---- one action at a time, and a close in the middle of one ----

namespace {

// A box of TovalSet's that shows within the time, left up; or none.
HWND ShowingBox(const App& app, DWORD milliseconds = 20000) {
    HWND box = nullptr;
    test::WaitUntil([&] { return (box = test::FindMessageBox(app.processId())) != nullptr; }, milliseconds);
    return box;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// What screen readers' invoke, UI automation and scripts send: every button clicked by BM_CLICK and by a
// posted WM_COMMAND, the exit button among them. Then it waits until the window's thread has taken every
// one of them: a thread takes the messages posted to it in order, and a pressed look posted to a button
// after them shows once the thread has come to it. Whatever a click would have started is started by
// then, and whatever it would have shown is up. Whether the thread came to it within the bound.
bool ClickEveryButtonFromOutside(const App& app) {
    for (int id = IDC_COMMAND1; id <= IDC_COMMAND6; ++id) {
        const HWND button = app.control(id);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, test::Bound(5000), &ignored);
        PostMessageA(app.window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    // The status report from the system menu, as a click on the item sends it.
    PostMessageA(app.window(), WM_SYSCOMMAND, IDM_STATUS_REPORT, 0);
    const HWND marker = app.control(IDC_COMMAND3);
    PostMessageA(marker, BM_SETSTATE, TRUE, 0);
    const bool taken = test::WaitUntil(
        [marker] {
            DWORD_PTR state = 0;
            return SendMessageTimeoutA(marker, BM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, test::Bound(1000),
                                       &state) != 0 &&
                   (state & BST_PUSHED) != 0;
        },
        10000);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(marker, BM_SETSTATE, FALSE, 0, SMTO_ABORTIFHUNG, test::Bound(1000), &ignored);
    return taken;
}

// The recorders running now, whatever each stands in for. A recorder holds until it is released, so one
// that is started while the test holds them is still running when the test counts: unlike its line in
// the log, which it writes some time after its start, it is there from the moment it was started.
std::size_t RecordersRunning() {
    return test::ProcessesNamed("certmgr.exe") + test::ProcessesNamed("TOVALPKI.exe") +
           test::ProcessesNamed("hh.exe");
}

// The support folder's tools as recorders that log every start, the certificate manager held until
// released, and the help viewer recording too: whatever a click starts leaves a trace.
class Busy : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        const std::string recorder = test::FolderOfThisExe() + "\\..\\win32\\record_start.exe";
        for (const char* tool : {"\\All\\certmgr.exe", "\\All\\TOVALPKI.exe"}) {
            ASSERT_TRUE(CopyFileA(recorder.c_str(), (app_ + tool).c_str(), FALSE));
        }
        ASSERT_TRUE(e2e::InstallRecordingHelpViewer());
        // The recorders add nothing: the certificates are in the root store beforehand, so that every
        // import is in effect and each script shows its own messages, whatever ran before.
        const std::string all = app_ + "\\All\\";
        for (const std::string& file : e2e::CertificateFiles()) {
            ASSERT_TRUE(test::AddToUserStore("root", all + file)) << file;
        }
        log_ = folder_.path() + "\\starts.log";
        SetEnvironmentVariableA("TOVALSET_RECORD", (folder_.path() + "\\start.txt").c_str());
        SetEnvironmentVariableA("TOVALSET_RECORD_LOG", log_.c_str());
        SetEnvironmentVariableA("TOVALSET_RELEASE_EVENT", "TovalSetE2eRelease");
    }
    void TearDown() override {
        SetEvent(release_.get());
        for (const char* name : {"TOVALSET_RECORD", "TOVALSET_RECORD_LOG", "TOVALSET_RELEASE_EVENT"}) {
            SetEnvironmentVariableA(name, nullptr);
        }
        // None is left to be counted by the next test.
        EXPECT_TRUE(test::WaitUntil([] { return RecordersRunning() == 0; }, 10000));
    }
    // How many programs have been started, by the lines they log. Exact only once every one of them has
    // ended: a recorder logs its line some time after its start, but before it ends.
    std::size_t Logged() const { return Lines(test::FileText(log_)); }
    bool ZoneWritten() const {
        DWORD type = 0;
        ReadDword("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\"
                  "pki.toval.example",
                  "*", type);
        return type != REG_NONE;
    }
    std::string log_;
    win32::UniqueHandle release_{CreateEventA(nullptr, TRUE, FALSE, "TovalSetE2eRelease")};
};

} // namespace

TEST_F(Busy, ClicksFromOutsideDuringAWaitOrABoxStartNothing) {
    App app(app_);
    // During the wait for the first certificate manager, held until released.
    app.Click(app.control(IDC_COMMAND4));
    ASSERT_TRUE(test::WaitForFile(log_, 10000));
    ASSERT_TRUE(ClickEveryButtonFromOutside(app)) << "TovalSet did not take the clicks";
    EXPECT_EQ(RecordersRunning(), 1u) << test::FileText(log_);
    EXPECT_EQ(test::FindMessageBox(app.processId()), nullptr);
    EXPECT_EQ(ReportDialog(app), nullptr) << "the status report opened during an action";
    EXPECT_TRUE(app.Running());
    SetEvent(release_.get());

    // During the renewal script's one message, with two tools run and one to come. Whatever the clicks
    // would start is held again, so that it is running when counted.
    HWND box = ShowingBox(app);
    ASSERT_NE(box, nullptr);
    ResetEvent(release_.get());
    ASSERT_TRUE(ClickEveryButtonFromOutside(app)) << "TovalSet did not take the clicks";
    EXPECT_EQ(RecordersRunning(), 0u) << test::FileText(log_);
    EXPECT_EQ(Logged(), 2u) << test::FileText(log_);
    EXPECT_EQ(test::FindMessageBox(app.processId()), box) << "another box came up";
    SetEvent(release_.get());
    EXPECT_EQ(app.AnswerBoxes(1), Texts{"message: GovernmentalGeneralIntermediateCANew Is OK!"});
    // Ready again: the action has ended, its third tool has run, and no second box came.
    EXPECT_EQ(app.WaitUntilReady(), "");
    EXPECT_EQ(Logged(), 3u);

    // During the zone action's box and the first import's box: nothing else either.
    for (const int id : {IDC_COMMAND2, IDC_COMMAND1}) {
        app.Click(app.control(id));
        box = ShowingBox(app);
        ASSERT_NE(box, nullptr) << "Command" << id - IDC_COMMAND1 + 1;
        ResetEvent(release_.get());
        // Every tool before the box has ended, and logged.
        const std::size_t before = Logged();
        ASSERT_TRUE(ClickEveryButtonFromOutside(app)) << "TovalSet did not take the clicks";
        EXPECT_EQ(RecordersRunning(), 0u) << "Command" << id - IDC_COMMAND1 + 1;
        EXPECT_EQ(Logged(), before) << "Command" << id - IDC_COMMAND1 + 1;
        EXPECT_EQ(test::FindMessageBox(app.processId()), box) << "another box came up";
        EXPECT_TRUE(app.Running());
        SetEvent(release_.get());
        EXPECT_EQ(app.AnswerBoxes(id == IDC_COMMAND1 ? 8 : 1),
                  id == IDC_COMMAND1 ? Texts(8, "message: The Import Was Successfull ")
                                     : Texts{"message: Confoguration Is OK!!"});
    }
    EXPECT_EQ(app.WaitUntilReady(), "");
    EXPECT_EQ(Logged(), 3u + 8u) << test::FileText(log_);
    // The help viewer and the middleware never ran: the log holds certificate manager lines only.
    EXPECT_EQ(test::FileText(log_).find("TOVALPKI"), std::string::npos);
    EXPECT_EQ(test::FileText(log_).find("TovalSetHelp"), std::string::npos);

    // Idle again, the next click works.
    app.Click(app.control(IDC_COMMAND5));
    EXPECT_TRUE(test::WaitForText(log_, "All\\TOVALPKI.exe\n", 10000)) << test::FileText(log_);
}

TEST_F(Busy, ClosingDuringAnActionEndsItAtItsNextStepThenTheProgram) {
    struct Case {
        const char* when;
        int button;         // 0: the status report, from the system menu
        bool atBox;         // close while a box shows; otherwise while the first tool runs
        std::size_t starts; // tools started by then, and no more after
    };
    for (const Case c : {Case{"during a certificate wait", IDC_COMMAND1, false, 1},
                         Case{"during a success box", IDC_COMMAND1, true, 1},
                         Case{"during the renewal script's message", IDC_COMMAND4, true, 2},
                         Case{"during the status report", 0, false, 0}}) {
        DeleteFileA(log_.c_str());
        ResetEvent(release_.get());
        if (c.atBox) {
            SetEvent(release_.get());
        }
        App app(app_);
        if (c.button == 0) {
            PostMessageA(app.window(), WM_SYSCOMMAND, IDM_STATUS_REPORT, 0);
            ASSERT_TRUE(test::WaitUntil([&] { return ReportDialog(app) != nullptr; }, 10000)) << c.when;
        } else {
            app.Click(app.control(c.button));
        }
        if (c.atBox) {
            ASSERT_NE(ShowingBox(app), nullptr) << c.when;
        } else if (c.button != 0) {
            ASSERT_TRUE(test::WaitForFile(log_, 10000)) << c.when;
        }
        PostMessageA(app.window(), WM_CLOSE, 0, 0); // what taskkill without /F and End task send
        const DWORD closed = GetTickCount();
        EXPECT_EQ(app.WaitForExit(2000), 0) << c.when;
        EXPECT_LT(GetTickCount() - closed, test::Bound(2000)) << c.when;
        SetEvent(release_.get()); // the running tool ends; nothing follows it
        // TovalSet has ended and starts nothing more; once its tools have ended, each has logged.
        EXPECT_TRUE(test::WaitUntil([] { return RecordersRunning() == 0; }, 10000)) << c.when;
        EXPECT_EQ(Logged(), c.starts) << c.when << ": " << test::FileText(log_);
    }
}

namespace {

// Every key below `path`, with the time it was last written, and every value in it: what making the
// report must leave as it found.
void DumpKey(HKEY root, const std::string& path, std::string& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        out += path + ": absent\n";
        return;
    }
    const win32::UniqueRegKey owner(key);
    FILETIME written{};
    DWORD longestName = 0;
    DWORD longestData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                     &longestData, nullptr, &written);
    out += path + " written " + std::to_string(written.dwHighDateTime) + "." +
           std::to_string(written.dwLowDateTime) + "\n";
    std::string name(longestName + 1, '\0');
    std::string data(longestData + 1, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &dataSize) != ERROR_SUCCESS) {
            break;
        }
        out += "  " + name.substr(0, nameSize) + " " + std::to_string(type) + " " + data.substr(0, dataSize) +
               "\n";
    }
    char child[256] = {};
    for (DWORD i = 0;; ++i) {
        DWORD childSize = sizeof child;
        if (RegEnumKeyExA(key, i, child, &childSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        DumpKey(root, path + "\\" + child, out);
    }
}

// What the buttons change and the report reads: the zone settings and mappings, and the certificate stores.
std::string WhatTheButtonsChange() {
    std::string out;
    DumpKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", out);
    DumpKey(HKEY_CURRENT_USER, "Software\\Microsoft\\SystemCertificates", out);
    DumpKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\SystemCertificates", out);
    return out;
}

// The state the three buttons leave, made directly: every certificate of the support folder in the user's
// root store, the six Trusted Sites settings allowed and the service domain in Trusted Sites. All of it is
// put back as it was when the object goes.
class Prepared {
public:
    explicit Prepared(std::string all) : all_(std::move(all)) {
        for (const std::string& file : e2e::CertificateFiles()) {
            EXPECT_TRUE(test::AddToUserStore("Root", all_ + file)) << file;
        }
        for (const char* name : {"1001", "1004", "1201", "1400", "1402", "1208"}) {
            Set(kZone, name, 0);
        }
        const std::wstring domain = TOVALSET_SERVICE_DOMAIN;
        Set(kDomains + std::string(domain.begin(), domain.end()), "*", 2);
    }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    Prepared(Prepared&&) = delete;
    Prepared& operator=(Prepared&&) = delete;
    ~Prepared() {
        for (const std::string& file : e2e::CertificateFiles()) {
            test::RemoveFromUserStore("Root", all_ + file);
        }
        for (auto value = kept_.rbegin(); value != kept_.rend(); ++value) {
            Write(value->path, value->name.c_str(), value->existed ? &value->data : nullptr);
        }
    }
    // A DWORD under HKCU, kept to be put back the first time it is set.
    void Set(const std::string& path, const char* name, DWORD data) {
        DWORD type = REG_NONE;
        const DWORD old = ReadDword(path, name, type);
        kept_.push_back({path, name, type == REG_DWORD, old});
        Write(path, name, &data);
    }
    static constexpr const char* kZone =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
    static constexpr const char* kDomains =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\";

private:
    static void Write(const std::string& path, const char* name, const DWORD* data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS) << path;
        const win32::UniqueRegKey owner(key);
        if (data == nullptr) {
            RegDeleteValueA(key, name);
        } else {
            RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(data), sizeof *data);
        }
    }
    struct Kept {
        std::string path;
        std::string name;
        bool existed;
        DWORD data;
    };
    std::string all_;
    std::vector<Kept> kept_;
};

} // namespace

// /report as a help desk's script runs it: the verdict as the exit code, the text to a file, through a pipe
// or onto the Desktop, usage and misuse; no window, and nothing of what the buttons change is changed.
TEST_F(EndToEnd, TheReportFromTheCommandLineEndsWithTheVerdictAsItsExitCode) {
    Prepared prepared(app_ + "\\All\\");
    const std::string before = WhatTheButtonsChange();
    ASSERT_NE(before.find("\n  1201 4 "), std::string::npos) << "the zone settings are not looked at:\n"
                                                             << before;
    char desktop[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
    const std::string onDesktop = std::string(desktop) + "\\TovalSet report *.txt";
    const auto desktopReports = [&] {
        std::vector<std::string> found;
        WIN32_FIND_DATAA data{};
        const win32::UniqueFindHandle search(FindFirstFileA(onDesktop.c_str(), &data));
        for (bool more = static_cast<bool>(search); more;
             more = FindNextFileA(search.get(), &data) != FALSE) {
            found.push_back(std::string(desktop) + "\\" + data.cFileName);
        }
        return found;
    };
    const std::vector<std::string> reportsBefore = desktopReports();

    // Prepared, nothing is in the way; in a relative path from the current directory, as All is found.
    e2e::CommandRun run = e2e::RunCommand(app_, "/report report.txt", false);
    const std::string saved = test::FileText(app_ + "\\report.txt");
    EXPECT_EQ(run.exitCode, 0) << saved;
    EXPECT_FALSE(run.windowShown);
    EXPECT_NE(saved.find("\r\nNothing: everything TovalSet sets is in effect"), std::string::npos) << saved;

    // The same bytes through a pipe, and with no output at all on the Desktop as Save puts them.
    run = e2e::RunCommand(app_, "-REPORT", true);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(WithoutMadeLine(run.output), WithoutMadeLine(saved));
    run = e2e::RunCommand(app_, "/report", false);
    EXPECT_EQ(run.exitCode, 0);
    std::vector<std::string> reports = desktopReports();
    for (const std::string& old : reportsBefore) {
        reports.erase(std::remove(reports.begin(), reports.end(), old), reports.end());
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(WithoutMadeLine(test::FileText(reports[0])), WithoutMadeLine(saved));
    DeleteFileA(reports[0].c_str());
    // A console given as standard output shows the text itself, through the console's Unicode output.
    run = e2e::RunCommand(app_, "\"" + e2e::ExeUnderTest() + "\"", true, 30000,
                          test::FolderOfThisExe() + "\\console_host.exe");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(WithoutMadeLine(run.output), WithoutMadeLine(saved.substr(3))) << run.output;
    EXPECT_EQ(WhatTheButtonsChange(), before) << "the report changed what the buttons change";

    // One fault seeded: exit code 1, and the verdict names it.
    prepared.Set(Prepared::kZone, "1201", 3);
    const std::string seeded = WhatTheButtonsChange();
    run = e2e::RunCommand(app_, "/Report report.txt", false);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(test::FileText(app_ + "\\report.txt").find("\r\n- Trusted Sites settings 1201 are not set"),
              std::string::npos)
        << test::FileText(app_ + "\\report.txt");
    EXPECT_EQ(WhatTheButtonsChange(), seeded) << "the report changed what the buttons change";

    // A folder that does not exist: exit code 2, the reason on the standard error, nothing left behind.
    run = e2e::RunCommand(app_, "/report \"missing folder\\report.txt\"", true);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(
        run.output.rfind("TovalSet: the report could not be written to missing folder\\report.txt: ", 0), 0u)
        << run.output;
    EXPECT_EQ(GetFileAttributesA((app_ + "\\missing folder").c_str()), INVALID_FILE_ATTRIBUTES);

    // The usage, and a misuse with what is wrong first; neither writes a report.
    DeleteFileA((app_ + "\\report.txt").c_str());
    run = e2e::RunCommand(app_, "/?", true);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.rfind("Usage: TovalSet.exe [/report [file] | /?]\r\n", 0), 0u) << run.output;
    run = e2e::RunCommand(app_, "/report C:\\Help Desk\\report.txt", true);
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_EQ(
        run.output.rfind("/report takes one file name; a name with blanks needs quotes.\r\n\r\nUsage: ", 0),
        0u)
        << run.output;
    EXPECT_EQ(GetFileAttributesA((app_ + "\\report.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(run.windowShown);
}

// The headless tour of `make run`: starts TovalSet from its folder, clicks every button in turn as a user
// would, prints each message box and what really changed, answers every box, saves a screenshot of the
// window, and ends with the exit button. Each step waits for what it brings, with a bound; one that does not
// come ends the tour with what was missing and exit code 1.
//   tour <screenshot.bmp>
#include <windows.h>

#include "platform/win32/Handles.h"
#include "tests/e2e/EndToEnd.h"
#include "tests/support/CertStore.h"
#include "tests/support/TestSupport.h"
#include "ui/resources/resource.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tovalset;

namespace {

std::string Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void Require(bool done, const std::string& missing) {
    if (!done) {
        throw std::runtime_error(missing);
    }
}

// The boxes that a button brings, `most` at the most; at least one must come.
void Boxes(const e2e::App& app, std::size_t most, const char* button) {
    const std::vector<std::string> texts = app.AnswerBoxes(most, 20000);
    for (const std::string& text : texts) {
        std::printf("  box      %s\n", text.c_str());
    }
    Require(!texts.empty(), std::string("no message box came after ") + button);
}

void Certificates(const std::string& folder) {
    const std::string all = folder + "\\All\\";
    for (const std::string& file : e2e::CertificateFiles()) {
        const bool present = test::InStore("root", test::Thumbprint(all + file));
        std::printf("  store    %-45s %s\n", file.c_str(),
                    present ? "in the current user's root store" : "-");
    }
}

void ZoneValues() {
    const std::string settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    struct Value {
        std::string key;
        const char* name;
    };
    for (const Value& v : {Value{settings + "\\Zones\\2", "1001"}, Value{settings + "\\Zones\\2", "1004"},
                           Value{settings + "\\Zones\\2", "1201"}, Value{settings + "\\Zones\\2", "1400"},
                           Value{settings + "\\Zones\\2", "1402"}, Value{settings + "\\Zones\\2", "1208"},
                           Value{settings + "\\ZoneMap\\Domains\\pki.toval.example", "*"}}) {
        HKEY key = nullptr;
        DWORD data = 0;
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegOpenKeyA(HKEY_CURRENT_USER, v.key.c_str(), &key) == ERROR_SUCCESS) {
            const win32::UniqueRegKey owner(key);
            RegQueryValueExA(key, v.name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
        }
        std::printf("  registry HKCU\\%s\\%s = %s %lu\n", v.key.c_str(), v.name,
                    type == REG_DWORD ? "REG_DWORD" : "?", data);
    }
}

void Tour(const char* screenshot) {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    e2e::App app(folder);
    std::printf("TovalSet started in %s\n", folder);
    std::printf("  window   \"%s\"\n", Text(app.window()).c_str());
    std::printf("  label    %s %s\n", Text(app.control(IDC_LABEL2)).c_str(),
                Text(app.control(IDC_LABEL3)).c_str());
    std::printf("  label    %s %s\n", Text(app.control(IDC_LABEL1)).c_str(),
                Text(app.control(IDC_LABEL4)).c_str());
    // In front, and drawn: its thread is back in its message loop, which draws the window before it waits.
    SetForegroundWindow(app.window());
    test::WaitUntil([&] { return GetForegroundWindow() == app.window(); }, 5000);
    const std::string ready = app.WaitUntilReady();
    Require(ready.empty(), "the window was not ready: " + ready);
    RECT frame;
    GetWindowRect(app.window(), &frame);
    Require(e2e::SaveBmp(e2e::CaptureScreen(frame), screenshot),
            std::string("the screenshot could not be saved as ") + screenshot);
    std::printf("  screenshot %s\n", screenshot);

    std::printf("Command1: install digital certificates\n");
    app.Click(app.control(IDC_COMMAND1));
    Boxes(app, 8, "Command1");
    Certificates(folder);

    std::printf("Command4: install digital certificate (renewal)\n");
    app.Click(app.control(IDC_COMMAND4));
    Boxes(app, 1, "Command4");

    std::printf("Command2: IE settings\n");
    app.Click(app.control(IDC_COMMAND2));
    Boxes(app, 1, "Command2");
    ZoneValues();

    std::printf("Command5: install middleware\n");
    app.Click(app.control(IDC_COMMAND5));
    const HWND middleware = test::WaitForWindow("TovalSetPkiStandIn", 10000);
    Require(middleware != nullptr, "the middleware stand-in did not start");
    std::printf("  program  the middleware stand-in is running\n");
    // Shown in the style it was started with once its label holds its text.
    test::WaitForShownText(middleware, 10000);
    std::printf("           %s\n", IsIconic(middleware) ? "minimized" : "not minimized");
    PostMessageA(middleware, WM_CLOSE, 0, 0);
    // Under Wine with fvwm, a program started minimized after a message box has been up takes our window
    // down with it, in the window manager's own time; a user would restore it from the taskbar.
    if (test::WaitUntil([&] { return IsIconic(app.window()) != FALSE; }, 1000)) {
        std::printf("  window   TovalSet was minimized along with it; restored\n");
        SendMessageA(app.window(), WM_SYSCOMMAND, SC_RESTORE, 0);
        test::WaitUntil([&] { return IsIconic(app.window()) == FALSE; }, 5000);
    }

    std::printf("Command6: help\n");
    app.Click(app.control(IDC_COMMAND6));
    char record[MAX_PATH] = {};
    Require(GetEnvironmentVariableA("TOVALSET_RECORD", record, MAX_PATH) != 0 &&
                test::WaitForFile(record, 10000),
            "the help viewer did not start");
    const std::string started = test::FileText(record);
    std::printf("  program  help viewer started: %s\n", started.substr(started.rfind('\n') + 1).c_str());
    // The action shows no box; one that it did show would be printed here.
    if (!app.WaitUntilReady().empty()) {
        Boxes(app, 1, "Command6");
    }

    std::printf("System menu: Status report...\n");
    app.ChooseSystemMenuItem(2);
    HWND report = nullptr;
    Require(test::WaitUntil(
                [&] { return (report = FindWindowA("#32770", "TovalSet status report")) != nullptr; }, 10000),
            "the status report did not open");
    {
        // An edit control keeps its text to itself: asked for it, not read as a caption.
        char first[64] = {};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(GetDlgItem(report, IDC_REPORT_TEXT), WM_GETTEXT, sizeof first,
                            reinterpret_cast<LPARAM>(first), SMTO_ABORTIFHUNG, test::Bound(5000), &ignored);
        const std::string text = first;
        std::printf("  dialog   \"TovalSet status report\": %s\n", text.substr(0, text.find('\r')).c_str());
        // Taken once the window manager has placed it: in front, and the same on two looks.
        SetForegroundWindow(report);
        test::WaitUntil([&] { return GetForegroundWindow() == report; }, 5000);
        RECT box{};
        e2e::Pixels shown;
        test::WaitUntil(
            [&] {
                // Its client area: the window manager draws the frame and caption in its own time and
                // place, which the window's rectangle does not always match.
                RECT now{};
                GetClientRect(report, &now);
                MapWindowPoints(report, nullptr, reinterpret_cast<POINT*>(&now), 2);
                const e2e::Pixels look = e2e::CaptureScreen(now);
                const bool settled = EqualRect(&now, &box) != FALSE && look.rgb == shown.rgb;
                box = now;
                shown = look;
                return settled;
            },
            5000);
        std::string shot = screenshot;
        shot.replace(shot.find_last_of('\\') + 1, std::string::npos, "StatusReport.bmp");
        Require(e2e::SaveBmp(shown, shot), "the screenshot could not be saved as " + shot);
        std::printf("  screenshot %s\n", shot.c_str());
        e2e::App::KeyTo(report, VK_ESCAPE);
        Require(test::WaitUntil([&] { return IsWindow(report) == FALSE; }, 5000),
                "the status report did not close on Escape");
    }

    std::printf("Command3: exit\n");
    app.Click(app.control(IDC_COMMAND3));
    const long code = app.WaitForExit(10000);
    Require(code != -1, "TovalSet did not end");
    std::printf("  TovalSet ended with exit code %ld\n", code);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tour <screenshot.bmp>\n");
        return 2;
    }
    try {
        Tour(argv[1]);
        std::printf("The tour ended: every step came.\n");
        return 0;
    } catch (const std::exception& e) {
        std::printf("The tour stopped: %s\n", e.what());
        return 1;
    }
}

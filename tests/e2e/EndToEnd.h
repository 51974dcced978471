#pragma once
// Driving the real TovalSet.exe as a user would: real mouse and keyboard input, the real message boxes
// read and answered, and the window and controls looked at from outside the process.

#include <windows.h>

#include "platform/win32/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tovalset::e2e {

// Pixels as 0x00RRGGBB, row by row from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const {
        return rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)];
    }
};

// What the screen shows in a rectangle (screen coordinates).
Pixels CaptureScreen(const RECT& box);
// Where a control lies in its window's client area.
RECT ClientBox(HWND control, HWND window);
// A bitmap resource of an exe, as the program loads it.
Pixels ExeBitmap(const std::string& exe, int id);
bool SaveBmp(const Pixels& pixels, const std::string& path);

// The certificate files of the support folder, in the order the root script first imports them.
std::vector<std::string> CertificateFiles();

// The built exe's folder, with its demo support folder.
std::string BinFolder();
// The exe the tests drive: in the 32-bit build the one that ships, as the package zip holds it, signed
// (unpacked by the e2e_shipped_exe fixture); in the x86_64 test build the one in BinFolder().
std::string ExeUnderTest();
// Wine's own help viewer needs a browser engine the tests do not install: a recorder takes its place, and
// writes how it was started to the file that TOVALSET_RECORD names. A windowed one, as the viewer is: a
// console program would get a console window that takes the foreground from the window under test.
bool InstallRecordingHelpViewer();

// TovalSet.exe started from `folder` with `arguments` after its name, as a script starts it, and waited for
// until it ends or `milliseconds` run out (it is stopped then): its exit code (-1 when it did not end),
// whether any window of it showed meanwhile, and what it wrote to its standard output and error. With
// `piped` both are one pipe that the test reads; without, it is given none, as Explorer gives none. `exe`
// names another program to start in the same way.
struct CommandRun {
    long exitCode = -1;
    bool windowShown = false;
    std::string output;
};
CommandRun RunCommand(const std::string& folder, const std::string& arguments, bool piped,
                      DWORD milliseconds = 30000, const std::string& exe = ExeUnderTest());

// What a process holds of the system. Wine answers neither GetGuiResources nor GetProcessHandleCount
// (both give 0): there the kernel handles are counted by probing the process's handle table, the USER
// objects by counting its windows, and the GDI objects from the table Wine keeps in the process. A count
// that could not be read is -1: a running TovalSet holds handles, a window and its pictures, so none of
// them is ever really 0.
struct ProcessResources {
    long handles = -1;
    long userObjects = -1;
    long gdiObjects = -1;
};

// Every bound an App takes is a native machine's milliseconds, stretched by test::Bound inside. Each input
// it makes first waits for what it needs (the window in front, nothing covering the control, the pointer
// in place, the button pressed) and throws std::runtime_error, saying what did not come, when its bound
// runs out.
class App {
public:
    // Starts TovalSet.exe (or the exe named) from `folder` as its current directory and waits for its
    // window.
    explicit App(const std::string& folder, const std::string& exe = ExeUnderTest());
    App(const App&) = delete;
    App& operator=(const App&) = delete;
    ~App();

    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    DWORD processId() const { return processId_; }
    // The control that has the keyboard focus in the program's window thread.
    HWND focus() const;
    // Waits for the process to end; its exit code, or -1 when it did not end in time.
    long WaitForExit(DWORD milliseconds);
    bool Running() const;
    ProcessResources Resources() const;

    // Waits, as a user would, until the program is ready for input: its window's thread is back in its
    // message loop, so no action runs, no message box is up and the window is enabled. "" once it is;
    // otherwise what kept it from being ready when the bound ran out, or at once when a box of ours is up:
    // a box stays up until the test answers it. Called once an action has surely begun (a box answered,
    // a program started), it shows that the action has ended, so that nothing more can come from it.
    [[nodiscard]] std::string WaitUntilReady(DWORD milliseconds = 30000) const;
    // Mouse and keyboard input as a user makes it, once the program is ready for it.
    void Click(HWND control) const;
    // The messages that a click becomes, posted to the button at once: TovalSet runs exactly the code it
    // runs for a user, without waiting on the window manager. The caller waits until it is ready.
    static void PostClick(HWND control);
    // The key goes to the focused control; the caller waits for what it does.
    void Key(WORD key, bool shift = false) const;
    // The window's system menu opened with Alt+Space, and the item `upPresses` up from where it opens
    // (wrapping round to the last items) chosen with Enter. The menu takes the keys in its own loop, in
    // the order they come, so they are pressed one after the other once it shows.
    void ChooseSystemMenuItem(int upPresses) const;
    // The item whose underlined letter is `letter` ('P'), chosen by that key alone.
    void ChooseSystemMenuLetter(WORD letter) const;
    // Input for a dialog or box of the program, which disables the window while it shows: the dialog is
    // brought to the front first.
    static void KeyTo(HWND dialog, WORD key);
    static void ClickIn(HWND dialogControl);
    // How a box is answered: a mouse click on its OK button, as a user does, or the command that click
    // becomes, posted to the box, for runs of hundreds of boxes that the window manager would slow down.
    enum class Answer { ByMouse, ByMessage };
    // Answers the message boxes that come, one after the other, until `count` have been answered or none
    // comes within `milliseconds`; gives their texts ("message: ..." or "error: ..."). That no more come
    // than expected is shown by WaitUntilReady afterwards, not by a shorter wait here.
    std::vector<std::string> AnswerBoxes(std::size_t count, DWORD milliseconds = 20000,
                                         Answer how = Answer::ByMouse) const;

private:
    // Alt+Space, and the wait until the menu shows: keys pressed before its loop runs go elsewhere.
    void OpenSystemMenu() const;

    win32::UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

} // namespace tovalset::e2e

#pragma once
// What the Win32 tests share: scratch folders and registry keys that clean up after themselves, waits for
// what other processes do, and an answerer for our own message boxes. Every bound a function here takes is
// a native machine's milliseconds: it is stretched by Bound() (tests/support/Bound.h) inside.

#include <windows.h>

#include "platform/win32/Handles.h"
#include "tests/support/Bound.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tovalset::test {

// Deletes a key with everything below it (Windows XP has no RegDeleteTree).
void DeleteKeyTree(HKEY root, const std::string& path);

// A key under HKEY_CURRENT_USER that is deleted before and after use.
class ScratchKey {
public:
    explicit ScratchKey(std::string path);
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey();
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A fresh folder under %TEMP%, made the current directory while the object lives.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

// The whole file as bytes; empty when it cannot be read.
std::string FileText(const std::string& path);
std::string FolderOfThisExe();

// Asks `done` again and again, a few times in every tenth of a second, until it holds or the bound runs
// out; whether it held.
bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds);
bool WaitForFile(const std::string& path, DWORD milliseconds);
// Until the file holds the text.
bool WaitForText(const std::string& path, const std::string& text, DWORD milliseconds);
// The first top-level window of the class that exists within the time, or none. A program's window exists
// before the program has filled and shown it: see WaitForShownText.
HWND WaitForWindow(const char* className, DWORD milliseconds);
// The text of the window's first child control, once the window is shown and that child holds a text; ""
// when that has not happened within the time. A program that makes its window, then its label, then shows
// it, has done all three once this returns a text.
std::string WaitForShownText(HWND window, DWORD milliseconds);
// How many processes of that file name (as "certmgr.exe") run now. Each test that starts programs runs in a
// Wine prefix of its own, whose server knows only that test's processes.
std::size_t ProcessesNamed(const char* fileName);

// Deletes a folder with everything in it.
void DeleteTree(const std::string& folder);
void DeleteTree(const std::wstring& folder);
// Copies a folder with everything in it.
bool CopyTree(const std::string& from, const std::string& to);

// A "TovalSet" message box of the given process that is showing now, or none.
HWND FindMessageBox(DWORD process);
// Its text as "message: <text>", or "error: <text>" for a box with an icon: as the box holds it, and in
// the ANSI code page.
std::wstring ReadMessageBoxWide(HWND box);
std::string ReadMessageBox(HWND box);

// Answers the "TovalSet" message boxes of this process from a thread of its own: it reads each box's text,
// keeps it as "message: <text>", or "error: <text>" for a box with an icon, and presses OK.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    ~MessageBoxAnswerer();
    // The texts of the boxes answered so far, as they were shown and in the ANSI code page.
    std::vector<std::wstring> wideTexts();
    std::vector<std::string> texts();

private:
    static DWORD WINAPI Run(void* self);
    CRITICAL_SECTION lock_{};
    std::vector<std::wstring> texts_;
    win32::UniqueHandle stop_;
    win32::UniqueHandle thread_;
};

} // namespace tovalset::test

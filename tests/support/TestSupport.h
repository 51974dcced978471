#pragma once
// What the Win32 tests share: scratch folders and registry keys that clean up after themselves, and an
// answerer for our own message boxes.

#include <windows.h>

#include "platform/win32/Handles.h"

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

std::string ReadFile(const std::string& path);
bool WaitForFile(const std::string& path, DWORD milliseconds);
std::string FolderOfThisExe();
// The first top-level window of the class that shows up within the time, or none.
HWND WaitForWindow(const char* className, DWORD milliseconds);

// Deletes a folder with everything in it.
void DeleteTree(const std::string& folder);
void DeleteTree(const std::wstring& folder);
// Copies a folder with everything in it.
bool CopyTree(const std::string& from, const std::string& to);

// A "TovalSet" message box of the given process that is showing now, or none.
HWND FindMessageBox(DWORD process);
// Its text as "message: <text>", or "error: <text>" for a box with an icon.
std::string ReadMessageBox(HWND box);

// Answers the "TovalSet" message boxes of this process from a thread of its own: it reads each box's text,
// keeps it as "message: <text>", or "error: <text>" for a box with an icon, and presses OK.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    ~MessageBoxAnswerer();
    // The texts of the boxes answered so far.
    std::vector<std::string> texts();

private:
    static DWORD WINAPI Run(void* self);
    CRITICAL_SECTION lock_{};
    std::vector<std::string> texts_;
    win32::UniqueHandle stop_;
    win32::UniqueHandle thread_;
};

} // namespace tovalset::test

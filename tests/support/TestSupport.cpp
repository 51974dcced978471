#include "tests/support/TestSupport.h"

#include "platform/win32/Files.h"
#include "platform/win32/Text.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tovalset::test {

void DeleteKeyTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return;
    }
    const win32::UniqueRegKey owner(key);
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        children.emplace_back(name);
    }
    for (const auto& child : children) {
        DeleteKeyTree(key, child);
    }
    RegDeleteKeyA(root, path.c_str());
}

ScratchKey::ScratchKey(std::string path) : path_(std::move(path)) {
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
}
ScratchKey::~ScratchKey() {
    DeleteKeyTree(HKEY_CURRENT_USER, path_);
}

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    previous_ = current;
    static unsigned counter = 0;
    path_ = std::string(temp) + "tovalset-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    if (!CreateDirectoryA(path_.c_str(), nullptr) || !SetCurrentDirectoryA(path_.c_str())) {
        throw std::runtime_error("cannot make a scratch folder " + path_);
    }
}

void DeleteTree(const std::wstring& folder) {
    // Wide, so that names the ANSI code page cannot spell go too.
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                DeleteTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search.get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

void DeleteTree(const std::string& folder) {
    DeleteTree(win32::FromAnsi(folder));
}

ScratchFolder::~ScratchFolder() {
    SetCurrentDirectoryA(previous_.c_str());
    DeleteTree(path_);
}

std::string FileText(const std::string& path) {
    // Sharing delete too: a file that a recorder has just moved into place is still open for a moment
    // with the delete access of the move, and without it the read would fail and come back empty.
    std::vector<std::uint8_t> data;
    win32::ReadWholeFile(win32::FromAnsi(path), data, MAXDWORD,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    return {data.begin(), data.end()};
}

bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const DWORD bound = Bound(milliseconds);
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount() - start >= bound) {
            return false;
        }
        Sleep(20);
    }
}

bool WaitForFile(const std::string& path, DWORD milliseconds) {
    return WaitUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     milliseconds);
}

bool WaitForText(const std::string& path, const std::string& text, DWORD milliseconds) {
    return WaitUntil([&] { return FileText(path).find(text) != std::string::npos; }, milliseconds);
}

std::string FolderOfThisExe() {
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, length);
    return path.substr(0, path.find_last_of('\\'));
}

HWND WaitForWindow(const char* className, DWORD milliseconds) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowA(className, nullptr)) != nullptr; }, milliseconds);
    return window;
}

std::string WaitForShownText(HWND window, DWORD milliseconds) {
    std::string text;
    WaitUntil(
        [&] {
            char child[1024] = {};
            const HWND first = GetWindow(window, GW_CHILD);
            if (!IsWindowVisible(window) || first == nullptr) {
                return false;
            }
            GetWindowTextA(first, child, sizeof child);
            text = child;
            return !text.empty();
        },
        milliseconds);
    return text;
}

std::size_t ProcessesNamed(const char* fileName) {
    const win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::size_t count = 0;
    for (bool more = snapshot && Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        count += lstrcmpiA(entry.szExeFile, fileName) == 0 ? 1 : 0;
    }
    return count;
}

// ---- message boxes ----

namespace {

struct BoxSearch {
    DWORD process = 0;
    HWND box = nullptr;
};

BOOL CALLBACK FindOurBox(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    char caption[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    auto* search = reinterpret_cast<BoxSearch*>(param);
    if (process == search->process && IsWindowVisible(window) && std::string(className) == "#32770" &&
        std::string(caption) == "TovalSet") {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

struct BoxContent {
    std::wstring text;
    bool icon = false;
};

BOOL CALLBACK ReadBox(HWND child, LPARAM param) {
    auto* content = reinterpret_cast<BoxContent*>(param);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (std::string(className) != "Static") {
        return TRUE;
    }
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        content->icon = content->icon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
        return TRUE;
    }
    wchar_t text[2048] = {};
    GetWindowTextW(child, text, 2048);
    if (text[0] != L'\0') {
        content->text = text;
    }
    return TRUE;
}

} // namespace

HWND FindMessageBox(DWORD process) {
    BoxSearch search{process};
    EnumWindows(&FindOurBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

std::wstring ReadMessageBoxWide(HWND box) {
    BoxContent content;
    EnumChildWindows(box, &ReadBox, reinterpret_cast<LPARAM>(&content));
    return (content.icon ? L"error: " : L"message: ") + content.text;
}

std::string ReadMessageBox(HWND box) {
    return win32::ToAnsi(ReadMessageBoxWide(box));
}

bool CopyTree(const std::string& from, const std::string& to) {
    if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    WIN32_FIND_DATAA found{};
    const win32::UniqueFindHandle search(FindFirstFileA((from + "\\*").c_str(), &found));
    if (!search) {
        return false;
    }
    bool copied = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string source = from + "\\" + name;
        const std::string target = to + "\\" + name;
        copied = ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                      ? CopyTree(source, target)
                      : CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE) &&
                 copied;
    } while (FindNextFileA(search.get(), &found));
    return copied;
}

MessageBoxAnswerer::MessageBoxAnswerer() : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    InitializeCriticalSection(&lock_);
    thread_.reset(CreateThread(nullptr, 0, &MessageBoxAnswerer::Run, this, 0, nullptr));
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    SetEvent(stop_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
    DeleteCriticalSection(&lock_);
}

std::vector<std::wstring> MessageBoxAnswerer::wideTexts() {
    EnterCriticalSection(&lock_);
    std::vector<std::wstring> copy = texts_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<std::string> MessageBoxAnswerer::texts() {
    const std::vector<std::wstring> wide = wideTexts();
    std::vector<std::string> narrow(wide.size());
    std::transform(wide.begin(), wide.end(), narrow.begin(),
                   [](const std::wstring& text) { return win32::ToAnsi(text); });
    return narrow;
}

DWORD WINAPI MessageBoxAnswerer::Run(void* self) {
    auto* answerer = static_cast<MessageBoxAnswerer*>(self);
    while (WaitForSingleObject(answerer->stop_.get(), 20) == WAIT_TIMEOUT) {
        const HWND box = FindMessageBox(GetCurrentProcessId());
        if (box == nullptr) {
            continue;
        }
        const std::wstring text = ReadMessageBoxWide(box);
        EnterCriticalSection(&answerer->lock_);
        answerer->texts_.push_back(text);
        LeaveCriticalSection(&answerer->lock_);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        // One answer per box: wait until it has gone before looking for the next. One that stays is
        // written down, so that the texts show it rather than the same box twice.
        if (!WaitUntil([box] { return IsWindow(box) == FALSE; }, 5000)) {
            EnterCriticalSection(&answerer->lock_);
            answerer->texts_.push_back(L"not closed by its answer: " + text);
            LeaveCriticalSection(&answerer->lock_);
            WaitUntil([box] { return IsWindow(box) == FALSE; }, 60000);
        }
    }
    return 0;
}

} // namespace tovalset::test

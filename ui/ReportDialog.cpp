#include "ui/ReportDialog.h"

#include "platform/win32/Boxes.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"
#include "ui/resources/resource.h"

#include <cstring>
#include <string>

namespace tovalset::ui {

namespace {

using UniqueGlobal = win32::UniqueResource<HGLOBAL, win32::NullHandleTraits<HGLOBAL, &::GlobalFree>>;

void Tell(HWND dialog, const std::wstring& text, UINT icon) {
    ::MessageBoxW(dialog, text.c_str(), L"TovalSet", MB_OK | icon);
}

// The clipboard, open for this dialog while the object lives.
class OpenClipboard {
public:
    explicit OpenClipboard(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    OpenClipboard(const OpenClipboard&) = delete;
    OpenClipboard& operator=(const OpenClipboard&) = delete;
    ~OpenClipboard() {
        if (open_) {
            ::CloseClipboard();
        }
    }
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

// The whole text on the clipboard as Unicode text; the system's reason when it cannot be put there.
DWORD CopyText(HWND dialog, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) {
        return ::GetLastError();
    }
    void* const locked = ::GlobalLock(memory.get());
    if (locked == nullptr) {
        return ::GetLastError();
    }
    std::memcpy(locked, text.c_str(), bytes);
    ::GlobalUnlock(memory.get());
    const OpenClipboard clipboard(dialog);
    if (!clipboard || !::EmptyClipboard()) {
        return ::GetLastError();
    }
    if (::SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        return ::GetLastError();
    }
    // The clipboard owns it now.
    static_cast<void>(memory.release());
    return ERROR_SUCCESS;
}

// The user's desktop folder, from the shell.
DWORD DesktopFolder(std::wstring& folder) {
    const win32::SystemLibrary shell(L"shell32.dll");
    if (!shell) {
        return shell.error();
    }
    const auto getFolder = shell.Proc<HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR)>("SHGetFolderPathW");
    if (getFolder == nullptr) {
        return ::GetLastError();
    }
    constexpr int kDesktopDirectory = 0x0010; // CSIDL_DESKTOPDIRECTORY
    wchar_t path[MAX_PATH + 1] = {};
    const HRESULT result = getFolder(nullptr, kDesktopDirectory, nullptr, 0, path);
    if (FAILED(result)) {
        return HRESULT_CODE(result);
    }
    folder = path;
    return ERROR_SUCCESS;
}

// Writes the file whole or not at all: into a name of its own first, then renamed over the report's name.
DWORD WriteWhole(const std::wstring& path, const std::string& bytes) {
    const std::wstring partial = path + L".partial";
    {
        const win32::UniqueHandle file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            return ::GetLastError();
        }
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !::FlushFileBuffers(file.get())) {
            const DWORD error = ::GetLastError();
            ::DeleteFileW(partial.c_str());
            return error;
        }
    }
    if (!::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(partial.c_str());
        return error;
    }
    return ERROR_SUCCESS;
}

void Save(HWND dialog, const Report& report) {
    std::wstring folder;
    DWORD error = DesktopFolder(folder);
    const std::wstring path = folder + L"\\" + ReportFileName(report.made);
    if (error == ERROR_SUCCESS) {
        error = WriteWhole(path, Utf8WithMark(report.text));
    }
    if (error != ERROR_SUCCESS) {
        Tell(dialog, L"The report could not be saved:\n" + path + L"\n\n" + win32::SystemErrorText(error),
             MB_ICONERROR);
        return;
    }
    Tell(dialog, L"The report was saved as:\n" + path, 0);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind through the system's code that called us.
    try {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* report = reinterpret_cast<const Report*>(lParam);
            const HWND text = ::GetDlgItem(dialog, IDC_REPORT_TEXT);
            ::SetWindowTextW(text, report->text.c_str());
            // The text first, for a screen reader to read out, without all of it selected. Being a
            // multi-line field in a dialog, it leaves Tab to the dialog (Ctrl+Tab would be its own), so
            // the keyboard goes on to the buttons; Escape closes.
            ::SetFocus(text);
            ::SendMessageW(text, EM_SETSEL, 0, 0);
            return FALSE;
        }
        if (message != WM_COMMAND) {
            return FALSE;
        }
        const auto* report = reinterpret_cast<const Report*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        switch (LOWORD(wParam)) {
        case IDC_REPORT_COPY:
            if (const DWORD error = CopyText(dialog, report->text); error != ERROR_SUCCESS) {
                Tell(dialog, L"The report could not be copied: " + win32::SystemErrorText(error),
                     MB_ICONERROR);
            }
            return TRUE;
        case IDC_REPORT_SAVE:
            Save(dialog, *report);
            return TRUE;
        case IDCANCEL: // Close, Escape and the close box
        case IDOK:     // Enter, and the window closing while the report is open
            ::EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (const std::exception& error) {
        win32::ShowBox(dialog, error.what(), MB_OK | MB_ICONERROR);
    } catch (...) {
        win32::ShowBox(dialog, "An unexpected error ended the last action.", MB_OK | MB_ICONERROR);
    }
    return TRUE;
}

} // namespace

std::string Utf8WithMark(const std::wstring& text) {
    std::string bytes = "\xEF\xBB\xBF";
    if (text.empty()) {
        return bytes;
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                          nullptr);
    return bytes + utf8;
}

void ShowReportDialog(HINSTANCE instance, HWND owner, const Report& report) {
    if (::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_STATUS_REPORT), owner, &DialogProc,
                          reinterpret_cast<LPARAM>(&report)) == -1) {
        Tell(owner, L"The status report could not be shown: " + win32::SystemErrorText(::GetLastError()),
             MB_ICONERROR);
    }
}

} // namespace tovalset::ui

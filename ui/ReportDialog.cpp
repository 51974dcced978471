#include "ui/ReportDialog.h"

#include "platform/win32/Boxes.h"
#include "platform/win32/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "ui/resources/resource.h"

#include <cstring>
#include <string>

namespace tovalset::ui {

namespace {

using UniqueGlobal = win32::UniqueResource<HGLOBAL, win32::NullHandleTraits<HGLOBAL, &::GlobalFree>>;

void Tell(HWND dialog, const std::wstring& text, UINT icon) {
    win32::ShowBox(dialog, text.c_str(), MB_OK | icon);
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

// What the dialog shows, where Save asks for the desktop folder, and the window's state, which tells the
// dialog to end when the window is asked to close.
struct Shown {
    const Report& report;
    ReportFacts& facts;
    ModalWindow& modal;
};

void Save(HWND dialog, const Shown& shown) {
    const win32::SavedFile saved =
        win32::SaveOnDesktop(shown.facts, ReportFileName(shown.report.made), shown.report.text);
    if (saved.error != ERROR_SUCCESS) {
        Tell(dialog,
             L"The report could not be saved:\n" + saved.path + L"\n\n" + win32::SystemErrorText(saved.error),
             MB_ICONERROR);
        return;
    }
    Tell(dialog, L"The report was saved as:\n" + saved.path, 0);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind through the system's code that called us.
    try {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* shown = reinterpret_cast<const Shown*>(lParam);
            shown->modal.ShowsDialog(dialog);
            const HWND text = ::GetDlgItem(dialog, IDC_REPORT_TEXT);
            ::SetWindowTextW(text, shown->report.text.c_str());
            // The text first, for a screen reader to read out, without all of it selected. Being a
            // multi-line field in a dialog, it leaves Tab to the dialog (Ctrl+Tab would be its own), so
            // the keyboard goes on to the buttons; Escape closes.
            ::SetFocus(text);
            ::SendMessageW(text, EM_SETSEL, 0, 0);
            return FALSE;
        }
        if (message == kWindowClosing) {
            ::EndDialog(dialog, 0);
            return TRUE;
        }
        if (message != WM_COMMAND) {
            return FALSE;
        }
        const auto* shown = reinterpret_cast<const Shown*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        switch (LOWORD(wParam)) {
        case IDC_REPORT_COPY:
            if (const DWORD error = CopyText(dialog, shown->report.text); error != ERROR_SUCCESS) {
                Tell(dialog, L"The report could not be copied: " + win32::SystemErrorText(error),
                     MB_ICONERROR);
            }
            return TRUE;
        case IDC_REPORT_SAVE:
            Save(dialog, *shown);
            return TRUE;
        case IDCANCEL: // Close, Escape and the close box
        case IDOK:     // Enter
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

void ShowReportDialog(HINSTANCE instance, HWND owner, const Report& report, ReportFacts& facts,
                      ModalWindow& modal) {
    const Shown shown{report, facts, modal};
    const INT_PTR shownResult = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_STATUS_REPORT), owner,
                                                  &DialogProc, reinterpret_cast<LPARAM>(&shown));
    modal.ShowsDialog(nullptr);
    if (shownResult == -1) {
        Tell(owner, L"The status report could not be shown: " + win32::SystemErrorText(::GetLastError()),
             MB_ICONERROR);
    }
}

} // namespace tovalset::ui

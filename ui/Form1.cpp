#include "ui/Form1.h"

#include "actions/buttons/BrowserZone.h"
#include "actions/buttons/Certificates.h"
#include "actions/buttons/Launchers.h"
#include "actions/readers/MachineFacts.h"
#include "actions/buttons/RunAction.h"
#include "actions/buttons/Undo.h"
#include "actions/report/StatusReport.h"
#include "platform/win32/Boxes.h"
#include "platform/win32/Win32Platform.h"
#include "ui/LabelFont.h"
#include "ui/ReportDialog.h"
#include "ui/resources/resource.h"

#include "ServiceDomain.h"

#include <exception>
#include <optional>

namespace tovalset::ui {

namespace {

const char* const kClassName = "TovalSetForm1";
// The layout in twips, turned into pixels at the system's scale (ui/Scale.h); at 96 dots per inch a pixel is
// 15 twips, so the client area is 313 x 213.
constexpr int kClientWidthTwips = 4695;
constexpr int kClientHeightTwips = 3195;
// How far a pressed button's picture sinks, and how far in from the edge the focus ring runs: 1 and 3 pixels
// at 96 dots per inch.
constexpr int kPressedSinkTwips = 15;
constexpr int kFocusInsetTwips = 45;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct Control {
    int id;
    Box twips;
};

struct Button {
    Control control;
    int picture;
    // What a press runs; none for the exit button, which ends the program instead.
    Action action;
    bool exits;
    // What a screen reader says for the button: the words its picture shows, as text. The face shows
    // only the picture.
    const wchar_t* name;
};

// The buttons in their tab order, which is the order they are made in. Everything a button is and does
// is found from its row by the control's id, so the rows may be put in any order.
constexpr std::array<Button, 6> kButtons = {{
    {{IDC_COMMAND1, {2400, 1320, kButtonWidthTwips, kButtonHeightTwips}},
     IDR_COMMAND1,
     &InstallRootCertificates,
     false,
     L"نصب گواهی های دیجیتال (install digital certificates)"},
    {{IDC_COMMAND2, {2400, 2520, kButtonWidthTwips, kButtonHeightTwips}},
     IDR_COMMAND2,
     &ConfigureBrowserZone,
     false,
     L"تنظیمات IE (IE settings)"},
    {{IDC_COMMAND3, {360, 2520, kButtonWidthTwips, kButtonHeightTwips}},
     IDR_COMMAND3,
     nullptr,
     true,
     L"خروج (exit)"},
    {{IDC_COMMAND4, {2400, 1920, kButtonWidthTwips, kButtonHeightTwips}},
     IDR_COMMAND4,
     &InstallNewCertificates,
     false,
     L"نصب گواهی دیجیتال(تمدید) (install digital certificate, renewal)"},
    {{IDC_COMMAND5, {360, 1320, kButtonWidthTwips, kButtonHeightTwips}},
     IDR_COMMAND5,
     &LaunchPkiTool,
     false,
     L"نصب میان افزار (install middleware)"},
    {{IDC_COMMAND6, {360, 1920, kButtonWidthTwips, kButtonHeightTwips}},
     IDR_COMMAND6,
     &OpenHelp,
     false,
     L"راهنما (help)"},
}};

// A row per control: a second row with the same id would never be found, and its picture never drawn.
// Every button either runs an action or exits, never both.
constexpr bool RowsAreSound() {
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        if (kButtons[i].exits == (kButtons[i].action != nullptr)) {
            return false;
        }
        for (std::size_t j = i + 1; j < kButtons.size(); ++j) {
            if (kButtons[i].control.id == kButtons[j].control.id) {
                return false;
            }
        }
    }
    return true;
}
static_assert(RowsAreSound(), "one row per button, each with an action or the exit");

struct Label {
    Control control;
    const wchar_t* text;
};
constexpr std::array<Label, 4> kLabels = {{
    {{IDC_LABEL1, {240, 720, 1080, 450}}, L"IE Versoins:"},
    {{IDC_LABEL2, {240, 120, 1080, 450}}, L"Os Versoin:"},
    {{IDC_LABEL3, {1440, 120, 3015, 450}}, L""},
    {{IDC_LABEL4, {1440, 720, 3015, 450}}, L""},
}};

// The row of the button with this control id; none for any other control.
std::optional<std::size_t> FindButton(int id) {
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        if (kButtons[i].control.id == id) {
            return i;
        }
    }
    return std::nullopt;
}

bool IsButton(int id) {
    return FindButton(id).has_value();
}

} // namespace

Form1::Form1(HINSTANCE instance, PlatformOps& os, ReportFacts& facts, ModalWindow& modal)
    : instance_(instance), os_(os), facts_(facts), modal_(modal) {}

bool Form1::Create() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Form1::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_TOVALSET));
    windowClass.hIconSm = static_cast<HICON>(
        ::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_TOVALSET), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    windowClass.hCursor = SystemCursor(kArrowCursor);
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassExA(&windowClass) == 0) {
        return false;
    }

    // The system's scale, read once: the window is made for it and keeps it, as Windows does not change a
    // running program's scale short of a new sign-in.
    dpi_ = win32::ScreenDpi();
    if (dpi_ == 0) {
        dpi_ = kBaseDpi;
    }

    RECT frame = {0, 0, ToPixels(kClientWidthTwips, dpi_), ToPixels(kClientHeightTwips, dpi_)};
    ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    window_ = ::CreateWindowExA(0, kClassName, "Toval Win XP", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                instance_, this);
    if (window_ == nullptr) {
        return false;
    }
    modal_.Attach(window_);
    // Below the system's own items: the report for whoever helps the user, and what the program is.
    const HMENU systemMenu = ::GetSystemMenu(window_, FALSE);
    if (systemMenu != nullptr) {
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        // Letters the system's own items do not take (R, M, S, N, X and C in English): Alt+Space, P opens
        // the report, Alt+Space, U the undo, which a separator sets apart from the two that change nothing.
        ::AppendMenuW(systemMenu, MF_STRING, IDM_UNDO, L"&Undo TovalSet's changes...");
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_STATUS_REPORT, L"Status re&port...");
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, L"&About TovalSet");
    }

    background_ = Picture::FromResource(instance_, IDR_BACKGROUND);
    // Only the rendition for this scale is loaded; the others stay in the file, untouched.
    const int rendition = static_cast<int>(RenditionFor(dpi_));
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        const Button& button = kButtons[i];
        pictures_[i] = Picture::FromResource(instance_, button.picture + rendition * IDR_RENDITION_STEP);
        const Box b = ToPixels(button.control.twips, dpi_);
        // Owner-drawn: the picture is the whole face; the words are part of it. The window text is the
        // button's name for screen readers, in Unicode, as the ANSI code page may have no Persian letters.
        // The button belongs to the window and goes with it; nothing here needs its handle.
        static_cast<void>(::CreateWindowExW(
            0, L"BUTTON", button.name, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, b.left, b.top,
            b.width, b.height, window_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(button.control.id)),
            instance_, nullptr));
    }

    const LOGFONTA font = LabelFont(dpi_);
    labelFont_.reset(::CreateFontIndirectA(&font));
    for (const Label& label : kLabels) {
        const Box b = ToPixels(label.control.twips, dpi_);
        // No prefix: an '&' in a product name is text, not an access key. The box is fixed; longer text
        // wraps and is cut at its edges. Unicode, as the reader gives the facts: set as they are,
        // with no second trip through the code page.
        const HWND control = ::CreateWindowExW(
            0, L"STATIC", label.text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, b.left, b.top, b.width,
            b.height, window_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(label.control.id)), instance_,
            nullptr);
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
    }
    Load();
    return true;
}

void Form1::Load() {
    // Each label is filled before the next value is read.
    ::SetWindowTextW(::GetDlgItem(window_, IDC_LABEL3), OsProductName(os_).c_str());
    ::SetWindowTextW(::GetDlgItem(window_, IDC_LABEL4), BrowserVersion(os_).c_str());
}

int Form1::Run(int showCommand) {
    // Run follows a successful Create, so the window is there; the loop below checks window_ each time
    // because WM_NCDESTROY clears it while a message is dispatched.
    const HWND window = window_;
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    ::SetFocus(::GetDlgItem(window, kButtons.front().control.id));
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Tab and Shift+Tab move between the buttons, Enter and Space act on the focused one.
        if (window_ != nullptr && ::IsDialogMessageA(window_, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Form1*>(create->lpCreateParams)->window_ = window;
    }
    auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (form == nullptr) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    // Nothing may unwind through the system's code that called us.
    try {
        return form->Handle(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        win32::ShowBox(window, error.what(), MB_OK | MB_ICONERROR);
    } catch (...) {
        win32::ShowBox(window, "An unexpected error ended the last action.", MB_OK | MB_ICONERROR);
    }
    return 0;
}

LRESULT Form1::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        // A control sends its own handle; a key the dialog manager turned into a command sends none.
        OnCommand(LOWORD(wParam), HIWORD(wParam), lParam != 0);
        return 0;
    case WM_DRAWITEM:
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, ::GetSysColor(COLOR_3DHILIGHT));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DHILIGHT));
    }
    case WM_ACTIVATE:
        // Like a dialog: the focus comes back to the button that had it.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus != nullptr && ::GetParent(focus) == window_) {
                focused_ = focus;
            }
        } else if (focused_ != nullptr && ::IsWindow(focused_)) {
            ::SetFocus(focused_);
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_STATUS_REPORT || (wParam & 0xFFF0) == IDM_ABOUT ||
            (wParam & 0xFFF0) == IDM_UNDO) {
            OnMenuItem(static_cast<int>(wParam & 0xFFF0));
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closed from outside during an action (End task, taskkill): the action ends at its next step,
        // then the window goes, as RunButton sees.
        if (modal_.busy()) {
            modal_.RequestClose();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (modal_.waiting()) {
            ::SetCursor(SystemCursor(kWaitCursor));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        modal_.Attach(nullptr);
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void Form1::OnCommand(int id, int notification, bool fromControl) {
    if (IsButton(id) && notification == BN_CLICKED) {
        RunButton(id);
    } else if (id == IDOK && !fromControl) {
        // Enter: the focused button acts. There is no default button.
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::GetParent(focus) == window_ && IsButton(::GetDlgCtrlID(focus))) {
            RunButton(::GetDlgCtrlID(focus));
        }
    }
    // Escape (IDCANCEL) does nothing: there is no cancel button.
}

void Form1::RunButton(int id) {
    // One action at a time: a click that arrives while one runs (sent, posted, or from a box's own modal
    // loop) is ignored, not queued. The exit button too: closing mid-action goes through WM_CLOSE.
    if (modal_.busy()) {
        return;
    }
    const std::optional<std::size_t> row = FindButton(id);
    if (!row) {
        return;
    }
    const Button& button = kButtons[*row];
    if (button.exits) {
        // Ends the program at once; what earlier actions started keeps running.
        ::DestroyWindow(window_);
        return;
    }
    modal_.Run([&] { RunAction(os_, facts_, button.action); });
    if (modal_.CloseRequested() && window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void Form1::OnMenuItem(int item) {
    // Like a button: ignored while an action runs, and the window's one action while it is open, so that
    // no click starts an action under it.
    if (modal_.busy()) {
        return;
    }
    modal_.Run([&] {
        if (item == IDM_UNDO) {
            // An action like the buttons': its boxes, its waits, its guards.
            RunAction(os_, facts_, &UndoChanges);
        } else if (item == IDM_ABOUT) {
            const std::wstring about = std::wstring(L"TovalSet ") + kProgramVersion +
                                       L"\n\nPrepares this computer for " + TOVALSET_SERVICE_DOMAIN + L".";
            ::MessageBoxW(window_, about.c_str(), L"About TovalSet", MB_OK | MB_ICONINFORMATION);
        } else {
            ShowReportDialog(instance_, window_, StatusReport(os_, facts_), facts_, modal_);
        }
    });
    if (modal_.CloseRequested() && window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void Form1::DrawButton(const DRAWITEMSTRUCT& item) const {
    // The picture loaded for the button's own row.
    const std::optional<std::size_t> row = FindButton(static_cast<int>(item.CtlID));
    if (!row) {
        return;
    }
    RECT face = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    // Pressed: the picture sinks inside a sunken edge.
    const int sink = pressed ? ToPixels(kPressedSinkTwips, dpi_) : 0;
    pictures_[*row].Draw(item.hDC, face.left + sink, face.top + sink, face.right - face.left,
                         face.bottom - face.top);
    if (pressed) {
        ::DrawEdge(item.hDC, &face, EDGE_SUNKEN, BF_RECT);
    }
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        const int inset = ToPixels(kFocusInsetTwips, dpi_);
        ::InflateRect(&face, -inset, -inset);
        ::DrawFocusRect(item.hDC, &face);
    }
}

void Form1::PaintBackground(HDC dc) const {
    RECT client;
    ::GetClientRect(window_, &client);
    // The background's top-left region, unscaled; white wherever the window is larger than it.
    const int covered = background_ ? background_.width() : 0;
    const int coveredHeight = background_ ? background_.height() : 0;
    if (covered < client.right || coveredHeight < client.bottom) {
        ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    }
    background_.Draw(dc, 0, 0);
}

} // namespace tovalset::ui

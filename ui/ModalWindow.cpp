#include "ui/ModalWindow.h"

namespace tovalset::ui {

HCURSOR SystemCursor(int id) {
    return ::LoadCursorA(nullptr, MAKEINTRESOURCEA(id));
}

namespace {

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

bool CursorOver(HWND window) {
    POINT cursor{};
    RECT box{};
    return ::GetCursorPos(&cursor) && ::GetWindowRect(window, &box) && ::PtInRect(&box, cursor);
}

struct BoxesOf {
    HWND owner;
    HWND dialog; // ours, which ends itself
};

BOOL CALLBACK DismissBox(HWND window, LPARAM param) {
    const auto* boxes = reinterpret_cast<const BoxesOf*>(param);
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (window != boxes->dialog && ::GetWindow(window, GW_OWNER) == boxes->owner &&
        lstrcmpA(className, "#32770") == 0) {
        // A message box has no means of its own: what its OK button sends makes it return as if answered.
        // A question takes that as Cancel, as the window is closing (platform/win32/Question.cpp).
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

} // namespace

void ModalWindow::Run(const std::function<void()>& action) {
    busy_ = true;
    try {
        action();
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
}

void ModalWindow::RequestClose() {
    closeRequested_ = true;
    if (dialog_ != nullptr) {
        ::PostMessageA(dialog_, kWindowClosing, 0, 0);
    }
    if (window_ != nullptr) {
        BoxesOf boxes{window_, dialog_};
        ::EnumThreadWindows(::GetCurrentThreadId(), &DismissBox, reinterpret_cast<LPARAM>(&boxes));
    }
}

void ModalWindow::Pump() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit_ = true;
            quitCode_ = static_cast<int>(message.wParam);
        } else if (!IsInput(message.message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
}

win32::ModalHost::WaitEnd ModalWindow::Wait(HANDLE object, DWORD tickMs,
                                            const std::function<bool()>& keepWaiting) {
    // Like a modal box: the window is disabled and its input dropped, not queued, so a click made during
    // the wait does nothing; it keeps painting; a quit request is kept for the message loop.
    const HWND window = window_;
    const bool disabled = window != nullptr && ::EnableWindow(window, FALSE) == FALSE;
    waiting_ = true;
    // The wait cursor at once; while the mouse moves, the window's WM_SETCURSOR keeps it.
    if (window != nullptr && CursorOver(window)) {
        ::SetCursor(SystemCursor(kWaitCursor));
    }
    WaitEnd end = WaitEnd::Signalled;
    DWORD lastTick = ::GetTickCount();
    for (;;) {
        if (closeRequested_) {
            end = WaitEnd::Closing;
            break;
        }
        // The tick is kept by the clock, not by quiet spells: a stream of messages cannot hold it off.
        const DWORD sinceTick = ::GetTickCount() - lastTick;
        if (sinceTick >= tickMs) {
            lastTick = ::GetTickCount();
            if (!keepWaiting()) {
                end = WaitEnd::Stopped;
                break;
            }
            continue;
        }
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &object, FALSE, tickMs - sinceTick, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 + 1) {
            Pump();
        } else if (woke != WAIT_TIMEOUT) {
            break; // signalled, or a handle that can no longer be waited on
        }
    }
    waiting_ = false;
    if (window_ != nullptr && CursorOver(window_)) {
        ::SetCursor(SystemCursor(kArrowCursor));
    }
    if (disabled && window_ != nullptr) {
        ::EnableWindow(window, TRUE);
    }
    if (quit_) {
        quit_ = false;
        ::PostQuitMessage(quitCode_);
    }
    return end;
}

} // namespace tovalset::ui

#pragma once
// The window's state while an action runs, in one place: busy from the click to the action's end, so that
// no second action starts inside the first whatever sends the click (a mouse, a screen reader's invoke, a
// script's posted command); waiting for a tool, with the window painted, input dropped and the wait
// cursor shown; and a request to close, which ends the action at its next step and then the program.

#include <windows.h>

#include "platform/win32/ModalHost.h"

#include <functional>

namespace tovalset::ui {

// The system's cursors that the window shows: the arrow, its own, and the wait cursor while a tool runs.
constexpr int kArrowCursor = 32512; // IDC_ARROW
constexpr int kWaitCursor = 32514;  // IDC_WAIT
HCURSOR SystemCursor(int id);

// Posted to the dialog of ours that shows when the window is asked to close: the dialog ends itself.
constexpr UINT kWindowClosing = WM_APP + 1;

class ModalWindow final : public win32::ModalHost {
public:
    // The window whose state this is; null once it is gone.
    void Attach(HWND window) { window_ = window; }

    bool busy() const { return busy_; }
    // Waiting for a tool: the window shows the wait cursor.
    bool waiting() const { return waiting_; }

    // Runs an action as the window's one action, busy until it ends.
    void Run(const std::function<void()>& action);
    // A close request while busy: the dialog of ours now showing is told to end and every box of ours is
    // dismissed, the wait ends, and nothing more is started or shown.
    void RequestClose();
    // The dialog of ours that shows now (the status report), or null once it is gone.
    void ShowsDialog(HWND dialog) { dialog_ = dialog; }

    HWND BoxOwner() const override { return window_; }
    WaitEnd Wait(HANDLE object, DWORD tickMs, const std::function<bool()>& keepWaiting) override;
    bool CloseRequested() const override { return closeRequested_; }

private:
    void Pump();

    HWND window_ = nullptr;
    HWND dialog_ = nullptr;
    bool busy_ = false;
    bool waiting_ = false;
    bool closeRequested_ = false;
    bool quit_ = false;
    int quitCode_ = 0;
};

} // namespace tovalset::ui

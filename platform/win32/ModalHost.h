#pragma once
// What the platform asks of the window while an action runs. The window owns the action's modal state, so
// that it lives in one place: it keeps painting and takes no input while we wait, ignores clicks until the
// action ends, and remembers a request to close.

#include <windows.h>

#include "platform/Seam.h"

#include <functional>

namespace tovalset::win32 {

class ModalHost : public tovalset::Seam {
public:
    // The window our message boxes belong to, so that they are modal to it; null when there is none.
    virtual HWND BoxOwner() const = 0;

    enum class WaitEnd { Signalled, Stopped, Closing };
    // Waits until `object` is signalled, keeping the window painted and taking no input. Every `tickMs`
    // it asks `keepWaiting`, and stops when that says no. Closing: the window was asked to close.
    virtual WaitEnd Wait(HANDLE object, DWORD tickMs, const std::function<bool()>& keepWaiting) = 0;

    // The window was asked to close during the action: nothing more may be started or shown.
    virtual bool CloseRequested() const = 0;
};

// The host of a program without a window of its own (a test driver): the wait blocks, nothing is owned.
class NoWindowHost final : public ModalHost {
public:
    HWND BoxOwner() const override { return nullptr; }
    WaitEnd Wait(HANDLE object, DWORD tickMs, const std::function<bool()>& keepWaiting) override {
        while (::WaitForSingleObject(object, tickMs) == WAIT_TIMEOUT) {
            if (!keepWaiting()) {
                return WaitEnd::Stopped;
            }
        }
        return WaitEnd::Signalled;
    }
    bool CloseRequested() const override { return false; }
};

} // namespace tovalset::win32

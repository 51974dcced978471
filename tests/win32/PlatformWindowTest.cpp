// FindWindowExA and PostMessageA on real windows that the test makes, and the frame-closing action on them.
#include <windows.h>

#include "actions/buttons/BrowserZone.h"
#include "platform/win32/HandleCast.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace tovalset;

namespace {

std::map<HWND, int> closeRequests;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ++closeRequests[window];
        return 0; // counted, not closed: a browser that is slow to go
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Register(const char* className) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CountingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

win32::UniqueWindow Make(const char* className, HWND parent = nullptr) {
    return win32::UniqueWindow(CreateWindowExA(0, className, "test", parent ? WS_CHILD : WS_OVERLAPPEDWINDOW,
                                               0, 0, 100, 100, parent, nullptr, GetModuleHandleA(nullptr),
                                               nullptr));
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

WindowHandle Handle(HWND window) {
    return win32::FromHwnd(window);
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        Register("IEFrame");
        Register("TovalSetOther");
        closeRequests.clear();
        frames_.push_back(Make("IEFrame"));
        other_ = Make("TovalSetOther");
        child_ = Make("IEFrame", other_.get());
        frames_.push_back(Make("IEFrame"));
        frames_.push_back(Make("IEFrame"));
        for (const auto& frame : frames_) {
            ASSERT_TRUE(frame);
        }
    }
    std::vector<win32::UniqueWindow> frames_;
    win32::UniqueWindow other_;
    win32::UniqueWindow child_;
};

} // namespace

TEST_F(Windows, FindWindowExWalksTheTopLevelFramesInZOrder) {
    win32::Win32Platform os;
    std::vector<WindowHandle> found;
    for (WindowHandle last = WindowHandle::None;;) {
        last = os.FindWindowExA(WindowHandle::None, last, L"IEFrame", std::nullopt);
        if (last == WindowHandle::None) {
            break;
        }
        found.push_back(last);
    }
    // The same windows, in the order the window manager's z-order lists them.
    std::vector<WindowHandle> zOrder;
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(w, name, sizeof name);
        if (std::string(name) == "IEFrame") {
            zOrder.push_back(Handle(w));
        }
    }
    EXPECT_EQ(found, zOrder);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(
        os.FindWindowExA(WindowHandle::None, WindowHandle::None, L"IEFrame", std::wstring(L"no such title")),
        WindowHandle::None);
}

TEST_F(Windows, PostMessageQueuesTheCloseRequest) {
    win32::Win32Platform os;
    EXPECT_TRUE(os.PostMessageA(Handle(frames_[0].get()), WM_CLOSE, 0, 0));
    EXPECT_EQ(closeRequests[frames_[0].get()], 0); // posted, not sent
    Pump();
    EXPECT_EQ(closeRequests[frames_[0].get()], 1);
}

TEST_F(Windows, CloseBrowserWindowsAsksEachTopLevelFrameOnce) {
    win32::Win32Platform os;
    CloseBrowserWindows(os);
    Pump();
    for (const auto& frame : frames_) {
        EXPECT_EQ(closeRequests[frame.get()], 1);
    }
    EXPECT_EQ(closeRequests[other_.get()], 0);
    EXPECT_EQ(closeRequests[child_.get()], 0);
}

// The seam's boxes show a name the ANSI code page cannot spell, as the wrong-account box quotes it: run
// under code page 1252 and 1256, neither of which has the Persian name's last letter (Farsi yeh).
TEST(Boxes, APersianNameInTheSeamsBoxesReadsBackAsItWasShown) {
    const std::wstring text = L"TovalSet runs as PC\\\u0639\u0644\u06cc, not as PC\\\u0631\u0636\u0627.";
    win32::Win32Platform os;
    std::vector<std::wstring> shown;
    {
        test::MessageBoxAnswerer answerer;
        os.ShowMessage(text);
        os.ShowError(text);
        shown = answerer.wideTexts();
    }
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"message: " + text, L"error: " + text}));
}

namespace {

// The question box: OK is yes, Cancel no, and a window closing while it shows is Cancel, even when the box
// was dismissed with OK, as the window dismisses every box of ours.
class ClosingHost final : public win32::ModalHost {
public:
    HWND BoxOwner() const override { return nullptr; }
    WaitEnd Wait(HANDLE, DWORD, const std::function<bool()>&) override { return WaitEnd::Signalled; }
    bool CloseRequested() const override { return closing; }
    std::atomic<bool> closing{false};
};

struct Answer {
    ClosingHost* host;
    WPARAM button;
    bool closeFirst;
};

DWORD WINAPI AnswerTheQuestion(void* param) {
    const auto* answer = static_cast<const Answer*>(param);
    HWND box = nullptr;
    test::WaitUntil([&] { return (box = test::FindMessageBox(GetCurrentProcessId())) != nullptr; }, 10000);
    if (answer->closeFirst) {
        answer->host->closing = true;
    }
    PostMessageA(box, WM_COMMAND, answer->button, 0);
    return 0;
}

} // namespace

TEST(Question, OkIsYesCancelIsNoAndAClosingWindowIsCancel) {
    for (const auto& [button, closeFirst] :
         {std::pair<WPARAM, bool>{IDOK, false}, {IDCANCEL, false}, {IDOK, true}}) {
        SCOPED_TRACE(std::to_string(button) + (closeFirst ? " while closing" : ""));
        ClosingHost host;
        win32::Win32Platform os(host);
        Answer answer{&host, button, closeFirst};
        const win32::UniqueHandle thread(CreateThread(nullptr, 0, &AnswerTheQuestion, &answer, 0, nullptr));
        if (closeFirst) {
            EXPECT_THROW(os.AskOkCancel(L"Undo \u06af\u0648\u0627\u0647\u06cc?"), ActionCancelled);
        } else {
            EXPECT_EQ(os.AskOkCancel(L"Undo \u06af\u0648\u0627\u0647\u06cc?"), button == IDOK);
        }
        WaitForSingleObject(thread.get(), INFINITE);
        // Once closing, nothing more is asked.
        if (closeFirst) {
            EXPECT_THROW(os.AskOkCancel(L"again?"), ActionCancelled);
        }
    }
}

#pragma once
// The program's one window: two rows of labels with the system's facts and six picture buttons.

#include <windows.h>

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"
#include "platform/win32/Handles.h"
#include "ui/ModalWindow.h"
#include "ui/Picture.h"
#include "ui/Scale.h"

#include <array>

namespace tovalset::ui {

class Form1 {
public:
    // `modal` is the state that the platform `os` consults while an action runs; `facts` is what the status
    // report reads besides `os`.
    Form1(HINSTANCE instance, PlatformOps& os, ReportFacts& facts, ModalWindow& modal);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;
    ~Form1() = default;

    // Creates the window and its controls and runs the load step, all before the window is first shown.
    // False, with the system's error code set, when the window cannot be made.
    bool Create();
    // Shows the window with the focus on the first button, then handles input until the window is closed.
    int Run(int showCommand);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Load();
    void OnCommand(int id, int notification, bool fromControl);
    void RunButton(int id);
    // A system menu item of ours: the undo, the status report, or About.
    void OnMenuItem(int item);
    void DrawButton(const DRAWITEMSTRUCT& item) const;
    void PaintBackground(HDC dc) const;

    HINSTANCE instance_;
    PlatformOps& os_;
    ReportFacts& facts_;
    ModalWindow& modal_;
    HWND window_ = nullptr; // destroyed by closing it; its controls go with it
    HWND focused_ = nullptr;
    int dpi_ = kBaseDpi; // the system's scale, which the window is laid out and drawn for
    win32::UniqueGdiObject labelFont_;
    Picture background_;
    std::array<Picture, 6> pictures_;
};

} // namespace tovalset::ui

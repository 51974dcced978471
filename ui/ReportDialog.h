#pragma once
// The status report in a modal dialog of its own, with Copy, Save to Desktop and Close.

#include <windows.h>

#include "actions/report/StatusReport.h"
#include "ui/ModalWindow.h"

namespace tovalset::ui {

// Shows the report over `owner` until it is closed, or until `modal` tells it that the window is closing;
// Save asks `facts` where the desktop is.
void ShowReportDialog(HINSTANCE instance, HWND owner, const Report& report, ReportFacts& facts,
                      ModalWindow& modal);

} // namespace tovalset::ui

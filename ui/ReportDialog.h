#pragma once
// The status report in a modal dialog of its own, with Copy, Save to Desktop and Close.

#include <windows.h>

#include "actions/StatusReport.h"

namespace tovalset::ui {

// Shows the report over `owner` until it is closed; Save asks `facts` where the desktop is.
void ShowReportDialog(HINSTANCE instance, HWND owner, const Report& report, ReportFacts& facts);

} // namespace tovalset::ui

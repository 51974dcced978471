#pragma once
// The status report in a modal dialog of its own, with Copy, Save to Desktop and Close.

#include <windows.h>

#include "actions/StatusReport.h"

namespace tovalset::ui {

// Shows the report over `owner` until it is closed.
void ShowReportDialog(HINSTANCE instance, HWND owner, const Report& report);

// The report as a file's bytes: UTF-8 with a byte-order mark.
std::string Utf8WithMark(const std::wstring& text);

} // namespace tovalset::ui

#pragma once
// Resource and control identifiers, shared by the resource script and the window.

#define IDI_TOVALSET 1

#define IDR_BACKGROUND 101
// The button pictures drawn for 100 %. The renditions for the larger scales (ui/Scale.h) follow in steps of
// IDR_RENDITION_STEP, in the same button order: 121 to 126 for 125 %, 131 to 136 for 150 %, 141 to 146 for
// 200 %.
#define IDR_COMMAND1 111
#define IDR_COMMAND2 112
#define IDR_COMMAND3 113
#define IDR_COMMAND4 114
#define IDR_COMMAND5 115
#define IDR_COMMAND6 116
#define IDR_RENDITION_STEP 10

// Controls. Clear of IDOK and IDCANCEL, which the keyboard's Enter and Escape send to the window.
#define IDC_COMMAND1 1001
#define IDC_COMMAND2 1002
#define IDC_COMMAND3 1003
#define IDC_COMMAND4 1004
#define IDC_COMMAND5 1005
#define IDC_COMMAND6 1006
#define IDC_LABEL1 1011
#define IDC_LABEL2 1012
#define IDC_LABEL3 1013
#define IDC_LABEL4 1014

// The window's system menu items, below the system's own; multiples of 16, as the system keeps the low four
// bits of a menu command.
#define IDM_STATUS_REPORT 0x0110
#define IDM_ABOUT 0x0120
#define IDM_UNDO 0x0130

// The status report dialog.
#define IDD_STATUS_REPORT 200
#define IDC_REPORT_TEXT 2001
#define IDC_REPORT_COPY 2002
#define IDC_REPORT_SAVE 2003

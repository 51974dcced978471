#include "ui/ReportCommand.h"

#include "actions/report/StatusReport.h"
#include "platform/win32/Boxes.h"
#include "platform/win32/Files.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

#include <string>

namespace tovalset::ui {

namespace {

const wchar_t* const kUsage =
    L"Usage: TovalSet.exe [/report [file] | /?]\r\n"
    L"\r\n"
    L"  (nothing)       opens TovalSet's window\r\n"
    L"  /report file    writes the status report to the file (UTF-8) and ends; no window shows\r\n"
    L"  /report         writes it to standard output, or, where there is none, to the Desktop as\r\n"
    L"                  the report's Save does\r\n"
    L"  /?              shows this text\r\n"
    L"\r\n"
    L"Options begin with / or - and may be written in any case. A file name with blanks needs quotes.\r\n"
    L"\r\n"
    L"Exit codes:\r\n"
    L"  0   nothing keeps the service from working here\r\n"
    L"  1   the report names at least one thing that keeps it from working\r\n"
    L"  2   the report could not be written (nothing half written is left)\r\n"
    L"  64  the command line is none of the above\r\n"
    L"\r\n"
    L"cmd and PowerShell do not wait for TovalSet by themselves: use\r\n"
    L"  start /wait \"\" TovalSet.exe /report report.txt\r\n"
    L"  (Start-Process .\\TovalSet.exe '/report', 'report.txt' -Wait -PassThru).ExitCode\r\n"
    L"A batch file waits by itself.\r\n";

// The usage, with what was wrong first: to standard output where there is one, else in a box.
int TellUsage(const std::wstring& problem, int exitCode) {
    const std::wstring text = (problem.empty() ? L"" : problem + L"\r\n\r\n") + kUsage;
    if (win32::StandardKindOf(STD_OUTPUT_HANDLE) != win32::StandardKind::None) {
        win32::WriteStandard(STD_OUTPUT_HANDLE, text, win32::Utf8(text));
    } else {
        win32::ShowBox(nullptr, text.c_str(), MB_OK | (problem.empty() ? MB_ICONINFORMATION : MB_ICONERROR));
    }
    return exitCode;
}

// The report to its file, to standard output, or to the Desktop; where it went (for the message when it
// could not be written) and the system's error code.
win32::SavedFile WriteReport(const Invocation& asked, const Report& report, ReportFacts& facts) {
    const std::string bytes = win32::Utf8WithMark(report.text);
    if (asked.file) {
        return {*asked.file, win32::WriteWholeFile(*asked.file, bytes)};
    }
    if (win32::StandardKindOf(STD_OUTPUT_HANDLE) != win32::StandardKind::None) {
        return {L"standard output", win32::WriteStandard(STD_OUTPUT_HANDLE, report.text, bytes)};
    }
    return win32::SaveOnDesktop(facts, ReportFileName(report.made), report.text);
}

int RunReport(const Invocation& asked) {
    win32::Win32Platform os;
    win32::Win32ReportFacts facts;
    const Report report = StatusReport(os, facts);
    const win32::SavedFile written = WriteReport(asked, report, facts);
    if (written.error != ERROR_SUCCESS) {
        // Said where someone may read it; the exit code says it to a script either way. No box: a script
        // run without an output must not wait for a click.
        const std::wstring why = L"TovalSet: the report could not be written to " + written.path + L": " +
                                 win32::SystemErrorText(written.error) + L"\r\n";
        if (win32::StandardKindOf(STD_ERROR_HANDLE) != win32::StandardKind::None) {
            win32::WriteStandard(STD_ERROR_HANDLE, why, win32::Utf8(why));
        }
        return kExitNotWritten;
    }
    return report.faults.empty() ? kExitNothingInTheWay : kExitFaults;
}

} // namespace

int RunCommand(const Invocation& asked) {
    switch (asked.mode) {
    case Invocation::Mode::Report:
        // Nothing may end the process with the runtime's own abort: a script reads the exit code.
        try {
            return RunReport(asked);
        } catch (...) {
            return kExitNotWritten;
        }
    case Invocation::Mode::Usage:
        return TellUsage(L"", kExitNothingInTheWay);
    case Invocation::Mode::Misuse:
    case Invocation::Mode::Window:
        break;
    }
    return TellUsage(asked.problem, kExitMisuse);
}

} // namespace tovalset::ui

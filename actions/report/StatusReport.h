#pragma once
// The status report for whoever helps a user: what TovalSet is, where it runs, and what of its work is in
// effect on this computer, as one text: the judge's findings first, then the facts they come from. Read
// only (actions/readers/Machine.h reads, actions/judge/ judges, this writes); nothing is written, started
// or sent. A fact that cannot be read says why, and the rest follows.

#include "actions/judge/Judge.h"
#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tovalset {

extern const wchar_t* const kProgramVersion;

struct Report {
    std::wstring text; // lines ended with CR LF, as Windows' edit controls and text files have them
    Moment made;       // local time
    // What keeps the service from working here, each with what to do: the verdict, empty for "Nothing".
    std::vector<Finding> faults;
};
Report StatusReport(PlatformOps& os, ReportFacts& facts);

// The name of the file the report is saved as, for the moment it was made:
// "TovalSet report yyyy-mm-dd hh-mm-ss.txt".
std::wstring ReportFileName(const Moment& made);

// "yyyy-mm-dd hh:mm:ss".
std::wstring MomentText(const Moment& moment);

// What a PE file's first bytes say of the program: "console program, 32-bit", "windowed program, 64-bit";
// empty when they are not a Windows program's.
std::wstring ProgramKind(const std::vector<std::uint8_t>& head);

} // namespace tovalset

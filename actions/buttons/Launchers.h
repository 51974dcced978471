#pragma once
// The two buttons that hand the user over to companion programs.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <optional>
#include <string>

namespace tovalset {

// Starts the service's PKI middleware from the support folder, minimized, without waiting for it.
void LaunchPkiTool(PlatformOps& os, ReportFacts& facts);

// Opens the help topic in the system's HTML help viewer; a missing viewer or help file passes silently.
// When the help file carries the mark of the Internet or the Restricted zone, the viewer shows none of its
// pages: a box then says why and how to unblock it.
void OpenHelp(PlatformOps& os, ReportFacts& facts);
// That box's text; none when the help file carries no such mark, or its mark cannot be read.
std::optional<std::wstring> MarkedHelpText(ReportFacts& facts);

} // namespace tovalset

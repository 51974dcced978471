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
// When the help file's zone (its mark of the web, or a network share) is above what HTML Help allows, the
// viewer shows none of its pages: a box then says why and what to do.
void OpenHelp(PlatformOps& os, ReportFacts& facts);

} // namespace tovalset

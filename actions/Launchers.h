#pragma once
// The two buttons that hand the user over to companion programs.

#include "platform/PlatformOps.h"

namespace tovalset {

// Starts the service's PKI middleware from the support folder, minimized, without waiting for it.
void LaunchPkiTool(PlatformOps& os);

// Opens the help topic in the system's HTML help viewer; a missing viewer or help file passes silently.
void OpenHelp(PlatformOps& os);

} // namespace tovalset

#pragma once
// What the status report and the judge read of this computer, each fact read once: the registry, the store
// and the windows through PlatformOps, the rest through ReportFacts. Nothing here judges or words anything,
// and nothing is written, started or sent.

#include "actions/readers/Browsers.h"
#include "platform/CommandLine.h"
#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tovalset {

// A file that TovalSet uses or is: its first bytes (a program's header), the mark of the web on it, and for
// a program that carries a signature, whether it verifies.
struct FileFacts {
    std::wstring path;
    bool program = false;
    Fact<std::vector<std::uint8_t>> head;
    std::optional<ProgramHeader> header; // a Windows program's
    std::optional<Fact<Verification>> signature;
    Fact<std::optional<std::uint32_t>> mark;
};

// What decides the zone the help viewer gives the help file, and up to which zone it shows pages.
struct HelpZone {
    Fact<std::optional<std::uint32_t>> mark;
    Fact<bool> onNetwork;
    // MaxAllowedZone of HTML Help's ItssRestrictions, the system's view before the 32-bit programs' copy.
    std::optional<std::uint32_t> maxAllowedZone;
};
HelpZone ReadHelpZone(PlatformOps& os, ReportFacts& facts);

// A Trusted Sites setting: the user's value and what each policy sets.
struct ZoneSetting {
    const wchar_t* name = nullptr;
    std::optional<std::uint32_t> yours;
    std::optional<std::uint32_t> computerPolicy;
    std::optional<std::uint32_t> userPolicy;
};

struct TrustedSites {
    std::vector<ZoneSetting> settings;
    // The zone the user's Domains and EscDomains map the service domain to.
    std::optional<std::uint32_t> domains;
    std::optional<std::uint32_t> escDomains;
    // What makes the settings or the mapping ineffective, as ZoneOverrides words it.
    std::vector<std::wstring> overrides;
};

struct CertificateFacts {
    std::wstring path;
    PlatformOps::RootLookup lookup;
    Fact<std::optional<std::uint32_t>> mark;
};

struct Machine {
    Moment made; // local time
    Moment utc;
    // TovalSet
    Fact<std::wstring> programFile;
    std::optional<FileFacts> program;
    Fact<std::wstring> currentDirectory;
    Fact<bool> windows64;
    // What TovalSet recorded before its first change, as its few lines for the report.
    std::vector<std::pair<std::wstring, std::wstring>> record;
    // Windows
    std::wstring productName;
    std::wstring recordedBuild;
    unsigned long build = 0; // 0: not known
    Fact<int> dpi;
    std::uint32_t codePage = 0;
    Fact<Account> desktopUser;
    Fact<Account> processUser;
    Fact<bool> administrator;
    Fact<bool> elevated;
    std::optional<std::uint32_t> smartAppControl; // 0 off, 1 on, 2 evaluating
    // Browsers
    std::wstring ieVersion;
    Browsers browsers;
    std::size_t browserWindows = 0;
    // The support folder: the certificate manager, the middleware and the help, then the system's viewer.
    Fact<bool> supportFolder;
    std::vector<FileFacts> supportFiles;
    FileFacts viewer;
    HelpZone help;
    // Certificates
    bool userRootsDistrusted = false;
    std::vector<CertificateFacts> certificates;
    TrustedSites trustedSites;
};

Machine ReadMachine(PlatformOps& os, ReportFacts& facts);

// Smart App Control's state is "on".
constexpr std::uint32_t kSmartAppControlOn = 1;

} // namespace tovalset

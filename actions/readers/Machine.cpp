#include "actions/readers/Machine.h"

#include "actions/buttons/BrowserZone.h"
#include "actions/buttons/Certificates.h"
#include "actions/readers/ChangeRecord.h"
#include "actions/readers/MachineFacts.h"
#include "actions/readers/Policies.h"
#include "actions/readers/RegistryReader.h"
#include "actions/SupportFolder.h"

#include "ServiceDomain.h"

namespace tovalset {

namespace {

// Where Windows records Smart App Control's state.
const wchar_t* const kCodeIntegrityPolicy = L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy";

// Up to which zone HTML Help shows a file's pages, where an administrator set it: the system's own view
// first, then the 32-bit programs' copy.
std::optional<std::uint32_t> HelpMaxAllowedZone(PlatformOps& os) {
    const wchar_t* const restrictions = L"Microsoft\\HTMLHelp\\1.x\\ItssRestrictions";
    const auto zone =
        ReadKey(os, kLocalMachine, std::wstring(L"SOFTWARE\\") + restrictions).Dword(L"MaxAllowedZone");
    return zone ? zone
                : ReadKey(os, kLocalMachine, std::wstring(L"SOFTWARE\\WOW6432Node\\") + restrictions)
                      .Dword(L"MaxAllowedZone");
}

FileFacts ReadFile(ReportFacts& facts, const std::wstring& path, bool program) {
    FileFacts file{path, program, facts.ReadFileStart(path, program ? kProgramHeadBytes : 1), {}, {}, {}};
    if (program && file.head.value) {
        file.header = ProgramHeaderOf(*file.head.value);
        if (file.header && file.header->signature) {
            file.signature = facts.VerifySignature(path);
        }
    }
    file.mark = facts.ZoneMarkOf(path);
    return file;
}

TrustedSites ReadTrustedSites(PlatformOps& os) {
    TrustedSites sites;
    ReadKey user(os, kCurrentUser, kZoneKeyPath);
    ReadKey computerPolicy(os, kLocalMachine, kTrustedSitesPolicyPath);
    ReadKey userPolicy(os, kCurrentUser, kTrustedSitesPolicyPath);
    for (const wchar_t* setting : kZoneSettings) {
        sites.settings.push_back(
            {setting, user.Dword(setting), computerPolicy.Dword(setting), userPolicy.Dword(setting)});
    }
    const std::wstring domain = TOVALSET_SERVICE_DOMAIN;
    const auto mapping = [&os, &domain](const wchar_t* list) {
        return ReadKey(os, kCurrentUser, std::wstring(kUserZoneMapPath) + L"\\" + list + L"\\" + domain)
            .ZoneNumber(L"*");
    };
    sites.domains = mapping(L"Domains");
    sites.escDomains = mapping(L"EscDomains");
    sites.overrides = ZoneOverrides(os, domain);
    return sites;
}

} // namespace

HelpZone ReadHelpZone(PlatformOps& os, ReportFacts& facts) {
    const std::wstring help = InSupportFolder(kHelpFile);
    HelpZone zone{facts.ZoneMarkOf(help), facts.OnNetwork(help), std::nullopt};
    // HTML Help's restriction matters only to a file outside the My Computer zone: it is read for that one.
    if ((zone.mark.value && zone.mark.value->value_or(0) != 0) || zone.onNetwork.value.value_or(false)) {
        zone.maxAllowedZone = HelpMaxAllowedZone(os);
    }
    return zone;
}

Machine ReadMachine(PlatformOps& os, ReportFacts& facts) {
    Machine m;
    m.made = facts.LocalNow();
    m.utc = facts.UtcNow();
    m.programFile = facts.ProgramFile();
    if (m.programFile.value) {
        m.program = ReadFile(facts, *m.programFile.value, true);
    }
    m.currentDirectory = facts.CurrentDirectory();
    m.windows64 = facts.WindowsIs64Bit();
    m.record = ChangeRecordLines(os);

    m.recordedBuild = RecordedBuild(os);
    m.build = BuildNumberOf(m.recordedBuild).value_or(0);
    m.productName = OsProductName(os, m.build);
    m.dpi = facts.DisplayDpi();
    m.codePage = facts.AnsiCodePage();
    m.desktopUser = facts.DesktopUser();
    m.processUser = facts.ProcessUser();
    m.administrator = facts.UserIsAdministrator();
    m.elevated = facts.ProcessIsElevated();
    m.smartAppControl =
        ReadKey(os, kLocalMachine, kCodeIntegrityPolicy).Dword(L"VerifiedAndReputablePolicyState");

    m.ieVersion = BrowserVersion(os);
    m.browsers = ReadBrowsers(os, m.build);
    m.browserWindows = BrowserWindows(os).size();

    m.supportFolder = facts.FolderExists(kSupportFolder);
    m.supportFiles = {ReadFile(facts, InSupportFolder(std::wstring(kCertmgr) + L".exe"), true),
                      ReadFile(facts, InSupportFolder(kPkiTool), true),
                      ReadFile(facts, InSupportFolder(kHelpFile), false)};
    m.viewer = ReadFile(facts, os.SystemWindowsDirectory() + L"\\hh.exe", false);
    m.help = {m.supportFiles.back().mark, facts.OnNetwork(m.supportFiles.back().path),
              HelpMaxAllowedZone(os)};

    m.userRootsDistrusted = UserRootsDistrusted(os);
    for (const std::wstring& file : CertificateFiles()) {
        // One look-up reads the file and makes its thumbprint, for the store and for the report alike.
        const std::wstring path = InSupportFolder(file);
        m.certificates.push_back({path, os.LookUpRootCertificate(path), facts.ZoneMarkOf(path)});
    }
    m.trustedSites = ReadTrustedSites(os);
    return m;
}

} // namespace tovalset

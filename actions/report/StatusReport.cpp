#include "actions/report/StatusReport.h"

#include "actions/buttons/BrowserZone.h"
#include "actions/readers/Browsers.h"
#include "actions/buttons/Certificates.h"
#include "actions/readers/MachineFacts.h"
#include "actions/readers/Policies.h"
#include "actions/readers/RegistryReader.h"
#include "actions/SupportFolder.h"
#include "platform/CertificateFile.h"
#include "platform/CommandLine.h"
#include "platform/ZoneMark.h"

#include "ServiceDomain.h"
#include "Version.h"

#include <algorithm>
#include <array>

namespace tovalset {

const wchar_t* const kProgramVersion = L"" TOVALSET_VERSION;

namespace {

constexpr unsigned long kFirstVistaBuild = 6000;

// The report as it is written: headings, then "name: value" lines.
class Writer {
public:
    void Heading(const std::wstring& title) { text_ += (text_.empty() ? L"" : L"\r\n") + title + L"\r\n"; }
    void Line(const std::wstring& name, const std::wstring& value) {
        text_ += name + L": " + value + L"\r\n";
    }
    void Line(const std::wstring& text) { text_ += text + L"\r\n"; }
    // A thing that keeps the service from working here, with what to do: said first, in the verdict,
    // always by the section that reports the fact it comes from.
    void Fault(const std::wstring& text) { faults_.push_back(text); }
    // The verdict, then the sections.
    std::wstring Text() const {
        std::wstring verdict = L"\r\nWhat keeps the service from working here\r\n";
        if (faults_.empty()) {
            verdict += L"Nothing: everything TovalSet sets is in effect for this user.\r\n";
        }
        for (const std::wstring& fault : faults_) {
            verdict += L"- " + fault + L"\r\n";
        }
        const std::size_t title = text_.find(L"\r\n") + 2;
        return text_.substr(0, title) + verdict + text_.substr(title);
    }
    const std::vector<std::wstring>& Faults() const { return faults_; }

private:
    std::wstring text_;
    std::vector<std::wstring> faults_;
};

// A fact's value as text, or why it cannot be told.
template <typename T, typename Show> std::wstring Told(const Fact<T>& fact, Show show) {
    return fact.value ? show(*fact.value) : L"cannot be told: " + fact.why;
}

std::wstring AsIs(const std::wstring& text) {
    return text;
}

std::wstring YesNo(const Fact<bool>& fact) {
    return Told(fact, [](bool yes) { return std::wstring(yes ? L"yes" : L"no"); });
}

std::wstring OrNotRecorded(const std::wstring& text) {
    return text.empty() ? L"not recorded" : text;
}

std::wstring TwoDigits(int value) {
    return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

std::wstring Hex(const std::array<std::uint8_t, 20>& bytes) {
    const wchar_t* const digits = L"0123456789abcdef";
    std::wstring text;
    for (const std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

// A line on the mark of the web of a file, when it carries one (or whether it does cannot be told). The
// help file's mark of the Internet or Restricted zone keeps its pages from showing.
void MarkLine(ReportFacts& facts, Writer& out, const std::wstring& path) {
    const Fact<std::optional<std::uint32_t>> mark = facts.ZoneMarkOf(path);
    if (mark.value && !*mark.value) {
        return;
    }
    if (mark.value && path == InSupportFolder(kHelpFile) &&
        (**mark.value == kInternetZone || **mark.value == kRestrictedZone)) {
        out.Fault(path + L" carries the mark of the " + ZoneName(**mark.value) +
                  L" zone, so the help shows none of its pages: unblock it in its Properties.");
    }
    out.Line(L"  Mark of the web", Told(mark, [](const std::optional<std::uint32_t>& zone) {
                 return L"the " + ZoneName(*zone) + L" zone (ZoneId " + std::to_wstring(*zone) +
                        L"): unblock it in its Properties";
             }));
}

std::wstring FileStanding(ReportFacts& facts, const std::wstring& path, bool program,
                          bool* unsignedProgram = nullptr);

std::wstring AccountText(const Account& account) {
    return account.name + L" (" + account.sid + L")";
}

void AboutTovalSet(ReportFacts& facts, Writer& out, const Moment& made) {
    out.Heading(L"1. TovalSet");
    out.Line(L"Version", std::wstring(L"TovalSet ") + kProgramVersion);
    out.Line(L"Service domain", TOVALSET_SERVICE_DOMAIN);
    const Fact<std::wstring> program = facts.ProgramFile();
    out.Line(L"Program folder", Told(program, [](const std::wstring& file) {
                 return file.substr(0, file.find_last_of(L'\\'));
             }));
    if (program.value) {
        out.Line(L"Program", FileStanding(facts, *program.value, true));
        MarkLine(facts, out, *program.value);
    }
    out.Line(L"Current directory", Told(facts.CurrentDirectory(), AsIs));
    const Fact<bool> windows64 = facts.WindowsIs64Bit();
    const std::wstring process = std::to_wstring(sizeof(void*) * 8) + L"-bit process on ";
    out.Line(L"Process", windows64.value
                             ? process + (*windows64.value ? L"64-bit Windows" : L"32-bit Windows")
                             : process + L"Windows of unknown width: " + windows64.why);
    out.Line(L"Report made", MomentText(made));
}

// Smart App Control's state, where Windows records it: 0 off, 1 on, 2 evaluating.
const wchar_t* const kCodeIntegrityPolicy = L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy";
constexpr std::uint32_t kSmartAppControlOn = 1;

std::wstring SmartAppControlText(const std::optional<std::uint32_t>& state) {
    if (!state) {
        return L"not told by this Windows";
    }
    switch (*state) {
    case 0:
        return L"off";
    case kSmartAppControlOn:
        return L"on: programs without a trusted signature do not start";
    case 2:
        return L"evaluating this computer";
    default:
        return L"state " + std::to_wstring(*state);
    }
}

// `recorded` is the build as Windows records it, `build` that as a number (0 when it is none).
void AboutWindows(PlatformOps& os, ReportFacts& facts, Writer& out, const std::wstring& recorded,
                  unsigned long build, const std::optional<std::uint32_t>& smartAppControl) {
    out.Heading(L"2. Windows");
    out.Line(L"Product", OrNotRecorded(OsProductName(os, build)));
    out.Line(L"Build", OrNotRecorded(recorded));
    out.Line(L"Display scale", Told(facts.DisplayDpi(), [](int dpi) {
                 return std::to_wstring(dpi) + L" dots per inch (" + std::to_wstring(dpi * 100 / 96) + L" %)";
             }));
    out.Line(L"ANSI code page", std::to_wstring(facts.AnsiCodePage()));
    const Fact<Account> desktop = facts.DesktopUser();
    const Fact<Account> process = facts.ProcessUser();
    out.Line(L"Desktop user", Told(desktop, AccountText));
    out.Line(L"TovalSet runs as", Told(process, [&desktop, &out](const Account& account) {
                 if (!desktop.value) {
                     return AccountText(account);
                 }
                 if (account.sid != desktop.value->sid) {
                     out.Fault(
                         L"TovalSet runs as " + account.name + L", not as " + desktop.value->name +
                         L" at this desktop, so its buttons change nothing here: start it with a double "
                         L"click, without another account's password.");
                 }
                 return AccountText(account) +
                        (account.sid == desktop.value->sid
                             ? L", the desktop's user"
                             : L": another account than the desktop's, for which the buttons would change "
                               L"the certificates and settings, so they change nothing");
             }));
    out.Line(L"User is an administrator", YesNo(facts.UserIsAdministrator()));
    // Before Vista there is no elevation: an administrator's programs run with every right.
    out.Line(L"Process runs elevated", build != 0 && build < kFirstVistaBuild
                                           ? L"not applicable (this Windows has no User Account Control)"
                                           : YesNo(facts.ProcessIsElevated()));
    if (smartAppControl || build >= kFirstWindows11Build) {
        out.Line(L"Smart App Control", SmartAppControlText(smartAppControl));
    }
}

std::wstring Installed(const std::wstring& version) {
    return version.empty() ? L"not told by this Windows (no install key found)" : version;
}

std::wstring PolicyText(const std::optional<std::uint32_t>& value, const wchar_t* on, const wchar_t* off) {
    return !value ? L"not set by policy" : *value == 1 ? on : off;
}

void AboutBrowser(PlatformOps& os, Writer& out, const Browsers& b) {
    out.Heading(L"3. Browsers");
    out.Line(L"Internet Explorer", OrNotRecorded(BrowserVersion(os)));
    const bool ieCannotRun =
        b.ieRuns == Browsers::IeRuns::Never || b.ieRuns == Browsers::IeRuns::DisabledByPolicy;
    switch (b.ieRuns) {
    case Browsers::IeRuns::Yes:
        out.Line(L"  Runs as a browser", L"yes");
        break;
    case Browsers::IeRuns::Never:
        out.Line(L"  Runs as a browser", L"no, never on Windows 11");
        break;
    case Browsers::IeRuns::DisabledByPolicy:
        out.Line(L"  Runs as a browser", L"no, disabled by policy (NotifyDisableIEOptions)");
        break;
    case Browsers::IeRuns::MayBeDisabled:
        out.Line(L"  Runs as a browser",
                 L"not told by this Windows: an Edge update disabled it on Windows 10's "
                 L"semi-annual releases (LTSC keeps it)");
        break;
    }
    if (ieCannotRun) {
        out.Line(L"  The Trusted Sites settings apply to Edge's IE mode only.");
    }
    out.Line(L"Browser frame windows open", std::to_wstring(BrowserWindows(os).size()));
    out.Line(L"Edge", Installed(b.edge));
    out.Line(L"  IE mode", !b.ieModeLevel        ? L"not set by policy"
                           : *b.ieModeLevel == 1 ? L"on by policy (InternetExplorerIntegrationLevel 1)"
                           : *b.ieModeLevel == 2
                               ? L"Internet Explorer 11 by policy (InternetExplorerIntegrationLevel 2)"
                               : L"off by policy (InternetExplorerIntegrationLevel " +
                                     std::to_wstring(*b.ieModeLevel) + L")");
    out.Line(L"  IE mode site list", b.ieModeSiteList.empty() ? std::wstring(L"not set by policy")
                                                              : b.ieModeSiteList + L": check that it names " +
                                                                    TOVALSET_SERVICE_DOMAIN);
    out.Line(L"  Reload in IE mode", PolicyText(b.reloadInIeModeAllowed,
                                                L"allowed by policy (a reloaded site "
                                                L"keeps IE mode for 30 days)",
                                                L"not allowed by policy"));
    out.Line(L"Chrome", Installed(b.chrome));
    out.Line(L"Firefox", Installed(b.firefox));
    if (!b.firefox.empty()) {
        out.Line(L"  Uses the certificates TovalSet installs",
                 b.firefoxMajor >= 120 ? L"yes, from version 120 on"
                 : b.firefoxImportsRootsByPolicy
                     ? L"yes, by the ImportEnterpriseRoots policy"
                     : L"not by policy; it may by its own settings: set the "
                       L"ImportEnterpriseRoots policy, or in Firefox's settings trust "
                       L"the system's certificate authorities");
        if (!b.FirefoxUsesTheStore()) {
            out.Fault(
                L"If you use Firefox, it may not use the certificates TovalSet installs: set the "
                L"ImportEnterpriseRoots policy, or in Firefox's settings trust the system's certificate "
                L"authorities.");
        }
    }
    std::wstring users;
    for (const auto& [name, uses] :
         {std::pair{L"Internet Explorer", !ieCannotRun}, std::pair{L"Edge", !b.edge.empty()},
          std::pair{L"Chrome", !b.chrome.empty()},
          std::pair{L"Firefox", !b.firefox.empty() && b.FirefoxUsesTheStore()}}) {
        if (uses) {
            users += (users.empty() ? L"" : L", ") + std::wstring(name);
        }
    }
    out.Line(L"Use the user's root store", users.empty() ? L"none of the browsers found" : users);
    if (ieCannotRun && !b.IeModeByPolicy()) {
        out.Fault(
            std::wstring(L"Internet Explorer cannot run here and no policy turns on Edge's IE mode, so the "
                         L"Trusted Sites settings take effect in no browser: an administrator sets Edge's "
                         L"IE mode with a site list that names ") +
            TOVALSET_SERVICE_DOMAIN + L".");
    }
}

// Whether a program that carries a signature verifies, as far as this Windows can tell.
std::wstring SignatureText(ReportFacts& facts, const std::wstring& path) {
    const Fact<Verification> verified = facts.VerifySignature(path);
    if (!verified.value) {
        return L"signed, not verified";
    }
    return verified.value->verifies ? L"signed, verified"
                                    : L"signed, does not verify: " + verified.value->why;
}

// "present, console program, 32-bit, not signed", "present", or "absent: <why>"; `unsignedProgram`, where
// given, tells whether it is a Windows program without a signature.
std::wstring FileStanding(ReportFacts& facts, const std::wstring& path, bool program, bool* unsignedProgram) {
    const Fact<std::vector<std::uint8_t>> head = facts.ReadFileStart(path, program ? kProgramHeadBytes : 1);
    if (!head.value) {
        return L"absent or unreadable: " + head.why;
    }
    if (!program) {
        return L"present";
    }
    const std::wstring kind = ProgramKind(*head.value);
    if (kind.empty()) {
        return L"present, not a Windows program";
    }
    const bool signature = ProgramHeaderOf(*head.value)->signature;
    if (unsignedProgram != nullptr) {
        *unsignedProgram = !signature;
    }
    return L"present, " + kind + L", " + (signature ? SignatureText(facts, path) : L"not signed");
}

void AboutSupportFolder(PlatformOps& os, ReportFacts& facts, Writer& out, bool smartAppControlOn) {
    out.Heading(L"4. Support folder");
    out.Line(kSupportFolder, Told(facts.FolderExists(kSupportFolder), [](bool present) {
                 return std::wstring(present ? L"present" : L"absent");
             }));
    for (const auto& [name, program] :
         {std::pair{std::wstring(kCertmgr) + L".exe", true}, std::pair{std::wstring(kPkiTool), true},
          std::pair{std::wstring(kHelpFile), false}}) {
        const std::wstring path = InSupportFolder(name);
        bool unsignedProgram = false;
        out.Line(path, FileStanding(facts, path, program, &unsignedProgram));
        MarkLine(facts, out, path);
        if (smartAppControlOn && unsignedProgram) {
            out.Fault(
                L"Smart App Control is on and " + path +
                L" carries no signature, so Windows will not start it: ask the service for a signed one, or "
                L"have an administrator install the certificates for all users (ADMIN.txt).");
        }
    }
    const std::wstring viewer = os.SystemWindowsDirectory() + L"\\hh.exe";
    out.Line(L"Help viewer " + viewer, FileStanding(facts, viewer, false));
}

std::wstring RootStandingText(const PlatformOps::RootLookup& lookup, bool userRootsDistrusted) {
    using Standing = PlatformOps::RootStanding;
    switch (lookup.standing) {
    case Standing::MachinePart:
        return L"in the computer's part";
    case Standing::UserPartOnly:
        return userRootsDistrusted
                   ? L"in the user's part only, which the ProtectedRoots policy tells Windows not "
                     L"to trust"
                   : L"in the user's part only";
    case Standing::NotInStore:
        return L"absent";
    case Standing::StoreUnreadable:
        return L"the store cannot be read: " + lookup.reason;
    case Standing::FileUnreadable:
    case Standing::NoCertificate:
        break;
    }
    return L"not looked up";
}

std::wstring UntrustedText(const PlatformOps::RootLookup& lookup) {
    if (lookup.distrust == PlatformOps::Distrust::Unknown) {
        return L"cannot be told: " + lookup.distrustReason;
    }
    const std::wstring store = UntrustedStoreName(lookup.distrust);
    return store.empty() ? L"not there" : L"in " + store + L": Windows will not trust it";
}

void AboutCertificates(PlatformOps& os, ReportFacts& facts, Writer& out) {
    out.Heading(L"5. Certificates");
    const bool distrusted = UserRootsDistrusted(os);
    out.Line(L"ProtectedRoots policy", distrusted ? L"the user's own roots are not trusted" : L"not set");
    const Moment utc = facts.UtcNow();
    const std::wstring now = MomentText(utc);
    for (const std::wstring& file : CertificateFiles()) {
        // One look-up reads the file and makes its thumbprint, for the store and for these lines alike.
        const std::wstring path = InSupportFolder(file);
        const PlatformOps::RootLookup lookup = os.LookUpRootCertificate(path);
        if (lookup.standing == PlatformOps::RootStanding::FileUnreadable) {
            out.Line(path, L"cannot be read: " + lookup.reason);
            out.Fault(path + L" cannot be read, so it cannot be installed: put the support folder's files "
                             L"beside TovalSet.");
            continue;
        }
        const auto summary = Summarize(lookup.der);
        if (!summary) {
            out.Line(path, L"holds no certificate");
            continue;
        }
        const std::wstring expiry(summary->notAfter.begin(), summary->notAfter.end());
        out.Line(path, L"CN=" + summary->commonName);
        out.Line(L"  SHA-1", Hex(lookup.thumbprint));
        out.Line(L"  Expires", expiry + L" UTC" + (expiry < now ? L" (expired)" : L""));
        out.Line(L"  Trusted root store", RootStandingText(lookup, distrusted));
        out.Line(L"  Untrusted Certificates", UntrustedText(lookup));
        MarkLine(facts, out, path);
        if (std::wstring store = UntrustedStoreName(lookup.distrust); !store.empty()) {
            out.Fault(path + L" is in " +
                      store.append(L", so Windows will not trust it: take it out of there "
                                   L"(certmgr.msc, Untrusted Certificates)."));
        } else if (lookup.standing == PlatformOps::RootStanding::NotInStore) {
            out.Fault(path + L" is not in the trusted root store: press the button that installs the digital "
                             L"certificates.");
        } else if (lookup.standing == PlatformOps::RootStanding::UserPartOnly && distrusted) {
            out.Fault(path + L" is only in your root store, which a policy tells Windows not to trust: an "
                             L"administrator must add it to the computer's store.");
        }
    }
}

// A REG_DWORD as decimal text, or "absent".
std::wstring DwordText(const std::optional<std::uint32_t>& value) {
    return value ? std::to_wstring(*value) : L"absent";
}

void AboutTrustedSites(PlatformOps& os, Writer& out) {
    out.Heading(L"6. Trusted Sites");
    ReadKey user(os, kCurrentUser, kZoneKeyPath);
    ReadKey computerPolicy(os, kLocalMachine, std::wstring(kPoliciesPath) + L"\\Zones\\2");
    ReadKey userPolicy(os, kCurrentUser, std::wstring(kPoliciesPath) + L"\\Zones\\2");
    std::wstring unset;
    for (const wchar_t* setting : kZoneSettings) {
        const auto yours = user.Dword(setting);
        if (yours.value_or(1) != 0) {
            unset += (unset.empty() ? L"" : L", ") + std::wstring(setting);
        }
        std::wstring value = L"yours " + DwordText(yours);
        if (const auto set = computerPolicy.Dword(setting)) {
            value += L", the computer's policy " + std::to_wstring(*set);
        }
        if (const auto set = userPolicy.Dword(setting)) {
            value += L", your user policy " + std::to_wstring(*set);
        }
        out.Line(std::wstring(L"Setting ") + setting, value);
    }
    if (!unset.empty()) {
        out.Fault(L"Trusted Sites settings " + unset +
                  L" are not set to allow: press the IE settings button.");
    }
    const std::wstring domain = TOVALSET_SERVICE_DOMAIN;
    for (const wchar_t* list : {L"Domains", L"EscDomains"}) {
        const auto zone =
            ReadKey(os, kCurrentUser, std::wstring(kUserZoneMapPath) + L"\\" + list + L"\\" + domain)
                .ZoneNumber(L"*");
        if (list == std::wstring(L"Domains") && zone != kTrustedSitesZone) {
            out.Fault(domain + L" is not in Trusted Sites: press the IE settings button.");
        }
        out.Line(domain + L" in " + list, !zone
                                              ? L"not mapped"
                                              : L"zone " + std::to_wstring(*zone) +
                                                    (*zone == kTrustedSitesZone ? L" (Trusted Sites)" : L""));
    }
    const std::vector<std::wstring> overrides = ZoneOverrides(os, domain);
    out.Line(L"Policy overrides", overrides.empty() ? L"none" : std::to_wstring(overrides.size()));
    for (const std::wstring& cause : overrides) {
        out.Line(L"  " + cause);
        std::wstring fault = L"A policy overrides the Trusted Sites settings (" + cause;
        fault += L"): ask your administrator to add " + domain + L" to Trusted Sites.";
        out.Fault(fault);
    }
}

} // namespace

std::wstring MomentText(const Moment& moment) {
    return std::to_wstring(moment.year) + L"-" + TwoDigits(moment.month) + L"-" + TwoDigits(moment.day) +
           L" " + TwoDigits(moment.hour) + L":" + TwoDigits(moment.minute) + L":" + TwoDigits(moment.second);
}

std::wstring ReportFileName(const Moment& made) {
    std::wstring stamp = MomentText(made);
    std::replace(stamp.begin(), stamp.end(), L':', L'-');
    return L"TovalSet report " + stamp + L".txt";
}

std::wstring ProgramKind(const std::vector<std::uint8_t>& head) {
    const std::optional<ProgramHeader> header = ProgramHeaderOf(head);
    if (!header) {
        return {};
    }
    return std::wstring(header->console ? L"console program, " : L"windowed program, ") +
           std::to_wstring(header->bits) + L"-bit";
}

Report StatusReport(PlatformOps& os, ReportFacts& facts) {
    Writer out;
    const Moment made = facts.LocalNow();
    const std::wstring recorded = RecordedBuild(os);
    const unsigned long build = BuildNumberOf(recorded).value_or(0);
    out.Line(L"TovalSet status report");
    AboutTovalSet(facts, out, made);
    const std::optional<std::uint32_t> smartAppControl =
        ReadKey(os, kLocalMachine, kCodeIntegrityPolicy).Dword(L"VerifiedAndReputablePolicyState");
    AboutWindows(os, facts, out, recorded, build, smartAppControl);
    AboutBrowser(os, out, ReadBrowsers(os, build));
    AboutSupportFolder(os, facts, out, smartAppControl == kSmartAppControlOn);
    AboutCertificates(os, facts, out);
    AboutTrustedSites(os, out);
    return {out.Text(), made, out.Faults()};
}

} // namespace tovalset

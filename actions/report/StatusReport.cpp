#include "actions/report/StatusReport.h"

#include "actions/SupportFolder.h"
#include "actions/judge/Judge.h"
#include "actions/readers/Machine.h"
#include "actions/readers/MachineFacts.h"
#include "actions/readers/Policies.h"
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

// The report as it is written: a title, the verdict, then headings with "name: value" lines.
class Writer {
public:
    void Heading(const std::wstring& title) { text_ += L"\r\n" + title + L"\r\n"; }
    void Line(const std::wstring& name, const std::wstring& value) {
        text_ += name + L": " + value + L"\r\n";
    }
    void Line(const std::wstring& text) { text_ += text + L"\r\n"; }
    const std::wstring& Text() const { return text_; }

private:
    std::wstring text_;
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

// "a, b, c".
std::wstring Joined(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (const std::wstring& item : items) {
        text += (text.empty() ? L"" : L", ") + item;
    }
    return text;
}

void Verdict(Writer& out, const std::vector<Finding>& findings) {
    out.Heading(L"What keeps the service from working here");
    if (findings.empty()) {
        out.Line(L"Nothing: everything TovalSet sets is in effect for this user.");
    }
    for (const Finding& finding : findings) {
        out.Line(L"- " + VerdictLine(finding));
    }
}

// A line on the mark of the web of a file, when it carries one (or whether it does cannot be told).
void MarkLine(Writer& out, const Fact<std::optional<std::uint32_t>>& mark) {
    if (mark.value && !*mark.value) {
        return;
    }
    out.Line(L"  Mark of the web", Told(mark, [](const std::optional<std::uint32_t>& zone) {
                 return L"the " + ZoneName(*zone) + L" zone (ZoneId " + std::to_wstring(*zone) + L")";
             }));
}

// "present, console program, 32-bit, not signed", "present", or "absent or unreadable: <why>".
std::wstring FileStanding(const FileFacts& file) {
    if (!file.head.value) {
        return L"absent or unreadable: " + file.head.why;
    }
    if (!file.program) {
        return L"present";
    }
    if (!file.header) {
        return L"present, not a Windows program";
    }
    std::wstring signature = L"not signed";
    if (file.signature) {
        const Fact<Verification>& verified = *file.signature;
        signature = !verified.value            ? L"signed, not verified"
                    : verified.value->verifies ? L"signed, verified"
                                               : L"signed, does not verify: " + verified.value->why;
    }
    return L"present, " + ProgramKind(*file.head.value) + L", " + signature;
}

std::wstring AccountText(const Account& account) {
    return account.name + L" (" + account.sid + L")";
}

void AboutTovalSet(const Machine& m, Writer& out) {
    out.Heading(L"1. TovalSet");
    out.Line(L"Version", std::wstring(L"TovalSet ") + kProgramVersion);
    out.Line(L"Service domain", TOVALSET_SERVICE_DOMAIN);
    out.Line(L"Program folder", Told(m.programFile, [](const std::wstring& file) {
                 return file.substr(0, file.find_last_of(L'\\'));
             }));
    if (m.program) {
        out.Line(L"Program", FileStanding(*m.program));
        MarkLine(out, m.program->mark);
    }
    out.Line(L"Current directory", Told(m.currentDirectory, AsIs));
    const std::wstring process = std::to_wstring(sizeof(void*) * 8) + L"-bit process on ";
    out.Line(L"Process", m.windows64.value
                             ? process + (*m.windows64.value ? L"64-bit Windows" : L"32-bit Windows")
                             : process + L"Windows of unknown width: " + m.windows64.why);
    out.Line(L"Report made", MomentText(m.made));
    for (const auto& [name, value] : m.record) {
        out.Line(name, value);
    }
}

std::wstring SmartAppControlText(const std::optional<std::uint32_t>& state) {
    if (!state) {
        return L"not told by this Windows";
    }
    switch (*state) {
    case 0:
        return L"off";
    case kSmartAppControlOn:
        return L"on: programs without a trusted signature may not start";
    case 2:
        return L"evaluating this computer";
    default:
        return L"state " + std::to_wstring(*state);
    }
}

void AboutWindows(const Machine& m, Writer& out) {
    out.Heading(L"2. Windows");
    out.Line(L"Product", OrNotRecorded(m.productName));
    out.Line(L"Build", OrNotRecorded(m.recordedBuild));
    out.Line(L"Display scale", Told(m.dpi, [](int dpi) {
                 return std::to_wstring(dpi) + L" dots per inch (" + std::to_wstring(dpi * 100 / 96) + L" %)";
             }));
    out.Line(L"ANSI code page", std::to_wstring(m.codePage));
    out.Line(L"Desktop user", Told(m.desktopUser, AccountText));
    const bool another = AnotherAccount(m.desktopUser, m.processUser).has_value();
    out.Line(L"TovalSet runs as", Told(m.processUser, [&m, another](const Account& account) {
                 return AccountText(account) +
                        (!m.desktopUser.value ? L""
                         : another
                             ? L": another account than the desktop's, for which the buttons would change "
                               L"the certificates and settings, so they change nothing"
                             : L", the desktop's user");
             }));
    out.Line(L"User is an administrator", YesNo(m.administrator));
    // Before Vista there is no elevation: an administrator's programs run with every right.
    out.Line(L"Process runs elevated", m.build != 0 && m.build < kFirstVistaBuild
                                           ? L"not applicable (this Windows has no User Account Control)"
                                           : YesNo(m.elevated));
    if (m.smartAppControl || m.build >= kFirstWindows11Build) {
        out.Line(L"Smart App Control", SmartAppControlText(m.smartAppControl));
    }
}

std::wstring Installed(const std::wstring& version) {
    return version.empty() ? L"not told by this Windows (no install key found)" : version;
}

std::wstring PolicyText(const std::optional<std::uint32_t>& value, const wchar_t* on, const wchar_t* off) {
    return !value ? L"not set by policy" : *value == 1 ? on : off;
}

std::wstring FirefoxUseText(FirefoxUse use) {
    switch (use) {
    case FirefoxUse::Yes:
        return L"yes, from version 120 on";
    case FirefoxUse::ByPolicy:
        return L"yes, by the ImportEnterpriseRoots policy";
    case FirefoxUse::LockedOff:
        return L"no: the ImportEnterpriseRoots policy is 0, which turns that off and locks it";
    case FirefoxUse::NotByPolicy:
        break;
    }
    return L"not by policy; it may by its own settings: set the ImportEnterpriseRoots policy, or in "
           L"Firefox's settings trust the system's certificate authorities";
}

std::wstring IeRunsText(Browsers::IeRuns runs) {
    switch (runs) {
    case Browsers::IeRuns::Yes:
        return L"yes";
    case Browsers::IeRuns::Never:
        return L"no, never on Windows 11";
    case Browsers::IeRuns::DisabledByPolicy:
        return L"no, disabled by policy (NotifyDisableIEOptions)";
    case Browsers::IeRuns::MayBeDisabled:
        break;
    }
    return L"not told by this Windows: an Edge update disabled it on Windows 10's semi-annual releases (LTSC "
           L"keeps it)";
}

void AboutBrowser(const Machine& m, Writer& out) {
    const Browsers& b = m.browsers;
    out.Heading(L"3. Browsers");
    out.Line(L"Internet Explorer", OrNotRecorded(m.ieVersion));
    out.Line(L"  Runs as a browser", IeRunsText(b.ieRuns));
    if (IeCannotRun(b)) {
        out.Line(L"  The Trusted Sites settings apply to Edge's IE mode only.");
    }
    out.Line(L"Browser frame windows open", std::to_wstring(m.browserWindows));
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
        out.Line(L"  Uses the certificates TovalSet installs", FirefoxUseText(FirefoxUsesTheStore(b)));
    }
    const std::vector<std::wstring> users = BrowsersUsingTheStore(b);
    out.Line(L"Use the user's root store", users.empty() ? L"none of the browsers found" : Joined(users));
}

std::wstring HelpAllowsText(const std::optional<std::uint32_t>& zone) {
    return !zone ? L"pages of the My Computer zone only (MaxAllowedZone not set)"
                 : L"pages of zones up to " + ZoneName(*zone) + L" (MaxAllowedZone " +
                       std::to_wstring(*zone) + L")";
}

void AboutSupportFolder(const Machine& m, Writer& out) {
    out.Heading(L"4. Support folder");
    out.Line(kSupportFolder, Told(m.supportFolder, [](bool present) {
                 return std::wstring(present ? L"present" : L"absent");
             }));
    for (const FileFacts& file : m.supportFiles) {
        out.Line(file.path, FileStanding(file));
        MarkLine(out, file.mark);
    }
    out.Line(L"  Location", Told(m.help.onNetwork, [](bool network) {
                 return std::wstring(network ? L"on another computer (the Local intranet zone)"
                                             : L"on this computer");
             }));
    out.Line(L"Help viewer " + m.viewer.path, FileStanding(m.viewer));
    out.Line(L"  Shows", HelpAllowsText(m.help.maxAllowedZone));
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

void AboutCertificates(const Machine& m, Writer& out) {
    out.Heading(L"5. Certificates");
    out.Line(L"ProtectedRoots policy",
             m.userRootsDistrusted ? L"the user's own roots are not trusted" : L"not set");
    const std::wstring now = MomentText(m.utc);
    for (const CertificateFacts& certificate : m.certificates) {
        const PlatformOps::RootLookup& lookup = certificate.lookup;
        if (lookup.standing == PlatformOps::RootStanding::FileUnreadable) {
            out.Line(certificate.path, L"cannot be read: " + lookup.reason);
            continue;
        }
        const auto summary = Summarize(lookup.der);
        if (!summary) {
            out.Line(certificate.path, L"holds no certificate");
            continue;
        }
        const std::wstring expiry(summary->notAfter.begin(), summary->notAfter.end());
        out.Line(certificate.path, L"CN=" + summary->commonName);
        out.Line(L"  SHA-1", Hex(lookup.thumbprint));
        out.Line(L"  Expires", expiry + L" UTC" + (expiry < now ? L" (expired)" : L""));
        out.Line(L"  Trusted root store", RootStandingText(lookup, m.userRootsDistrusted));
        out.Line(L"  Untrusted Certificates", UntrustedText(lookup));
        MarkLine(out, certificate.mark);
    }
}

// A REG_DWORD as decimal text, or "absent".
std::wstring DwordText(const std::optional<std::uint32_t>& value) {
    return value ? std::to_wstring(*value) : L"absent";
}

void AboutTrustedSites(const Machine& m, Writer& out) {
    const TrustedSites& sites = m.trustedSites;
    out.Heading(L"6. Trusted Sites");
    for (const ZoneSetting& setting : sites.settings) {
        std::wstring value = L"yours " + DwordText(setting.yours);
        if (setting.computerPolicy) {
            value += L", the computer's policy " + std::to_wstring(*setting.computerPolicy);
        }
        if (setting.userPolicy) {
            value += L", your user policy " + std::to_wstring(*setting.userPolicy);
        }
        out.Line(std::wstring(L"Setting ") + setting.name, value);
    }
    const std::wstring domain = TOVALSET_SERVICE_DOMAIN;
    for (const auto& [list, zone] :
         {std::pair{L"Domains", sites.domains}, std::pair{L"EscDomains", sites.escDomains}}) {
        out.Line(domain + L" in " + list, !zone
                                              ? L"not mapped"
                                              : L"zone " + std::to_wstring(*zone) +
                                                    (*zone == kTrustedSitesZone ? L" (Trusted Sites)" : L""));
    }
    out.Line(L"Policy overrides",
             sites.overrides.empty() ? L"none" : std::to_wstring(sites.overrides.size()));
    for (const std::wstring& cause : sites.overrides) {
        out.Line(L"  " + cause);
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
    const Machine machine = ReadMachine(os, facts);
    const std::vector<Finding> findings = Judge(machine);
    Writer out;
    out.Line(L"TovalSet status report");
    Verdict(out, findings);
    AboutTovalSet(machine, out);
    AboutWindows(machine, out);
    AboutBrowser(machine, out);
    AboutSupportFolder(machine, out);
    AboutCertificates(machine, out);
    AboutTrustedSites(machine, out);
    return {out.Text(), machine.made, findings};
}

} // namespace tovalset

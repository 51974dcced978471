#include "actions/StatusReport.h"

#include "actions/BrowserZone.h"
#include "actions/Certificates.h"
#include "actions/MachineFacts.h"
#include "actions/Policies.h"
#include "actions/RegistryReader.h"
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
    std::wstring Text() const { return text_; }

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

// A line on the mark of the web of a file, when it carries one (or whether it does cannot be told).
void MarkLine(ReportFacts& facts, Writer& out, const std::wstring& path) {
    const Fact<std::optional<std::uint32_t>> mark = facts.ZoneMarkOf(path);
    if (mark.value && !*mark.value) {
        return;
    }
    out.Line(L"  Mark of the web", Told(mark, [](const std::optional<std::uint32_t>& zone) {
                 return L"the " + ZoneName(*zone) + L" zone (ZoneId " + std::to_wstring(*zone) +
                        L"): unblock it in its Properties";
             }));
}

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

// `recorded` is the build as Windows records it, `build` that as a number (0 when it is none).
void AboutWindows(PlatformOps& os, ReportFacts& facts, Writer& out, const std::wstring& recorded,
                  unsigned long build) {
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
    out.Line(L"TovalSet runs as", Told(process, [&desktop](const Account& account) {
                 if (!desktop.value) {
                     return AccountText(account);
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
}

void AboutBrowser(PlatformOps& os, Writer& out, unsigned long build) {
    out.Heading(L"3. Browser");
    out.Line(L"Version", OrNotRecorded(BrowserVersion(os)));
    if (build >= kFirstWindows11Build) {
        out.Line(L"Internet Explorer is retired on Windows 11: the zone settings apply to Edge's IE mode.");
    }
    out.Line(L"Browser frame windows open", std::to_wstring(BrowserWindows(os).size()));
}

// "present, console program, 32-bit", "present", or "absent: <why>".
std::wstring FileStanding(ReportFacts& facts, const std::wstring& path, bool program) {
    const Fact<std::vector<std::uint8_t>> head = facts.ReadFileStart(path, program ? kProgramHeadBytes : 1);
    if (!head.value) {
        return L"absent or unreadable: " + head.why;
    }
    if (!program) {
        return L"present";
    }
    const std::wstring kind = ProgramKind(*head.value);
    return L"present, " + (kind.empty() ? std::wstring(L"not a Windows program") : kind);
}

void AboutSupportFolder(PlatformOps& os, ReportFacts& facts, Writer& out) {
    out.Heading(L"4. Support folder");
    out.Line(kSupportFolder, Told(facts.FolderExists(kSupportFolder), [](bool present) {
                 return std::wstring(present ? L"present" : L"absent");
             }));
    for (const auto& [name, program] :
         {std::pair{std::wstring(kCertmgr) + L".exe", true}, std::pair{std::wstring(kPkiTool), true},
          std::pair{std::wstring(kHelpFile), false}}) {
        const std::wstring path = InSupportFolder(name);
        out.Line(path, FileStanding(facts, path, program));
        MarkLine(facts, out, path);
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
    for (const wchar_t* setting : kZoneSettings) {
        std::wstring value = L"yours " + DwordText(user.Dword(setting));
        if (const auto set = computerPolicy.Dword(setting)) {
            value += L", the computer's policy " + std::to_wstring(*set);
        }
        if (const auto set = userPolicy.Dword(setting)) {
            value += L", your user policy " + std::to_wstring(*set);
        }
        out.Line(std::wstring(L"Setting ") + setting, value);
    }
    const std::wstring domain = TOVALSET_SERVICE_DOMAIN;
    for (const wchar_t* list : {L"Domains", L"EscDomains"}) {
        const auto zone =
            ReadKey(os, kCurrentUser, std::wstring(kUserZoneMapPath) + L"\\" + list + L"\\" + domain)
                .ZoneNumber(L"*");
        out.Line(domain + L" in " + list, !zone
                                              ? L"not mapped"
                                              : L"zone " + std::to_wstring(*zone) +
                                                    (*zone == kTrustedSitesZone ? L" (Trusted Sites)" : L""));
    }
    const std::vector<std::wstring> overrides = ZoneOverrides(os, domain);
    out.Line(L"Policy overrides", overrides.empty() ? L"none" : std::to_wstring(overrides.size()));
    for (const std::wstring& cause : overrides) {
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
    Writer out;
    const Moment made = facts.LocalNow();
    const std::wstring recorded = RecordedBuild(os);
    const unsigned long build = BuildNumberOf(recorded).value_or(0);
    out.Line(L"TovalSet status report");
    AboutTovalSet(facts, out, made);
    AboutWindows(os, facts, out, recorded, build);
    AboutBrowser(os, out, build);
    AboutSupportFolder(os, facts, out);
    AboutCertificates(os, facts, out);
    AboutTrustedSites(os, out);
    return {out.Text(), made};
}

} // namespace tovalset

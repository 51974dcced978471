#include "actions/report/StatusReport.h"
#include "actions/buttons/Certificates.h"
#include "tests/fake/FakePlatform.h"

#include "ServiceDomain.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::FakeReportFacts;
using tovalset::fake::Narrow;
using Bytes = std::vector<std::uint8_t>;

namespace {

const std::wstring kDomain = TOVALSET_SERVICE_DOMAIN;
const std::wstring kWindows = L"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::wstring kZone = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
const std::wstring kZoneMap =
    L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap";
const std::wstring kPolicies = L"\\Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

Bytes Tlv(std::uint8_t tag, const Bytes& content) {
    Bytes out = {tag};
    if (content.size() < 0x80) {
        out.push_back(static_cast<std::uint8_t>(content.size()));
    } else {
        out.insert(out.end(), {0x82, static_cast<std::uint8_t>(content.size() >> 8),
                               static_cast<std::uint8_t>(content.size())});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A certificate as far as the report reads it: a UTF-8 common name and an end as a UTCTime.
Bytes Certificate(const std::string& commonName, const std::string& notAfter) {
    const Bytes name =
        Tlv(0x30, Tlv(0x31, Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, 0x03}), Tlv(0x0C, Text(commonName))}))));
    const Bytes algorithm = Tlv(0x30, Tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}));
    const Bytes tbs =
        Tlv(0x30, Cat({Tlv(0xA0, Tlv(0x02, {0x02})), Tlv(0x02, {0x01}), algorithm, name,
                       Tlv(0x30, Cat({Tlv(0x17, Text("200101000000Z")), Tlv(0x17, Text(notAfter))})), name,
                       Tlv(0x30, {})}));
    return Tlv(0x30, Cat({tbs, algorithm, Tlv(0x03, {0x00})}));
}

// The first bytes of a Windows program: PE32 (0x10B) or PE32+ (0x20B), console (3) or windowed (2), with
// an Authenticode certificate table or without.
Bytes Program(std::uint16_t magic, std::uint16_t subsystem, bool signature = false) {
    Bytes head(512, 0);
    head[0] = 'M';
    head[1] = 'Z';
    head[0x3C] = 0x80;
    head[0x80] = 'P';
    head[0x81] = 'E';
    head[0x80 + 24] = static_cast<std::uint8_t>(magic);
    head[0x80 + 25] = static_cast<std::uint8_t>(magic >> 8);
    head[0x80 + 24 + 68] = static_cast<std::uint8_t>(subsystem);
    // Sixteen data directories; the fifth, the certificate table, 0x400 bytes at 0x2000.
    const std::size_t directories = 0x80 + 24 + (magic == 0x10B ? 92 : 108);
    head[directories] = 16;
    if (signature) {
        head[directories + 4 + 32 + 1] = 0x20;
        head[directories + 4 + 32 + 5] = 0x04;
    }
    return head;
}

void SetText(FakePlatform& os, const std::wstring& key, const std::wstring& name, const std::string& text) {
    Bytes data = Text(text);
    data.push_back(0);
    os.SetValue(key, name, {REG_SZ, data});
}

// Everything TovalSet does, done and in effect, on Windows 10.
void EverythingInEffect(FakePlatform& os, FakeReportFacts& facts) {
    SetText(os, kWindows, L"ProductName", "Windows 10 Pro");
    SetText(os, kWindows, L"CurrentBuildNumber", "19045");
    facts.SetFolder(L"All");
    facts.SetFile(L"All\\certmgr.exe", Program(0x10B, 3));
    facts.SetFile(L"All\\TOVALPKI.exe", Program(0x10B, 2));
    facts.SetFile(L"C:\\Program Files\\TovalSet\\TovalSet.exe", Program(0x10B, 2));
    facts.SetFile(L"All\\TovalSetHelp.chm", Text("ITSF"));
    facts.SetFile(L"C:\\WINDOWS\\hh.exe", Program(0x10B, 2));
    for (const std::wstring& file : CertificateFiles()) {
        os.SetCertificateFile(L"All\\" + file, Certificate(Narrow(file) + " CA", "350101000000Z"));
    }
    for (const wchar_t* setting : {L"1001", L"1004", L"1201", L"1400", L"1402", L"1208"}) {
        os.SetDword(kZone, setting, 0);
    }
    os.SetDword(kZoneMap + L"\\Domains\\" + kDomain, L"*", 2);
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find(L"\r\n", at);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// Each line appears whole in the report, and making it was read only: nothing written, started, posted or
// shown, and every key it opened closed again.
void ExpectLinesOfAReadOnlyReport(const FakePlatform& os, const Report& report,
                                  const std::vector<std::wstring>& expected) {
    const std::vector<std::wstring> lines = Lines(report.text);
    for (const std::wstring& line : expected) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
            << "no line \"" << Narrow(line) << "\" in:\n"
            << Narrow(report.text);
    }
    for (const std::string& call : os.calls()) {
        for (const char* change : {"RegCreateKeyA", "RegSetValueExA", "PostMessageA", "ShellExecuteA",
                                   "StartProgram", "ShowMessage", "ShowError"}) {
            EXPECT_NE(call.rfind(change, 0), 0u) << call;
        }
    }
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

} // namespace

TEST(StatusReport, SaysWhatIsInEffectInEachState) {
    const std::wstring process = std::to_wstring(sizeof(void*) * 8) + L"-bit process on ";
    struct Case {
        const char* state;
        std::function<void(FakePlatform&, FakeReportFacts&)> arrange;
        std::vector<std::wstring> lines; // each appears as a whole line
    };
    const std::vector<Case> cases = {
        {"nothing done, nothing there",
         [](FakePlatform&, FakeReportFacts&) {},
         {L"All: absent",
          L"All\\certmgr.exe: absent or unreadable: The system cannot find the file specified.",
          L"All\\DigitalSignOld.cer: cannot be read: The system cannot find the file specified.",
          L"Setting 1001: yours absent", kDomain + L" in Domains: not mapped", L"Policy overrides: none",
          L"ProtectedRoots policy: not set", L"Product: not recorded", L"Browser frame windows open: 0",
          std::wstring(
              L"Record of changes: none: TovalSet has changed no certificate or browser setting of ") +
              L"this user since it began to keep one (HKCU\\Software\\TovalSet)"}},
        {"everything in effect",
         EverythingInEffect,
         {L"TovalSet status report",
          L"Version: TovalSet 1.00",
          L"Service domain: " + kDomain,
          L"Program folder: C:\\Program Files\\TovalSet",
          L"Current directory: C:\\TovalSet",
          L"Process: " + process + L"32-bit Windows",
          L"Report made: 2026-12-09 14:05:09",
          L"Product: Windows 10 Pro",
          L"Build: 19045",
          L"Display scale: 96 dots per inch (100 %)",
          L"ANSI code page: 1252",
          L"Desktop user: PC\\User (S-1-5-21-7-7-7-1001)",
          L"TovalSet runs as: PC\\User (S-1-5-21-7-7-7-1001), the desktop's user",
          L"User is an administrator: yes",
          L"Process runs elevated: no",
          L"All: present",
          L"Program: present, windowed program, 32-bit, not signed",
          L"All\\certmgr.exe: present, console program, 32-bit, not signed",
          L"All\\TOVALPKI.exe: present, windowed program, 32-bit, not signed",
          L"All\\TovalSetHelp.chm: present",
          L"Help viewer C:\\WINDOWS\\hh.exe: present",
          L"All\\DigitalSignOld.cer: CN=DigitalSignOld.cer CA",
          L"  Expires: 2035-01-01 00:00:00 UTC",
          L"  Trusted root store: in the computer's part",
          L"  Untrusted Certificates: not there",
          L"Setting 1208: yours 0",
          kDomain + L" in Domains: zone 2 (Trusted Sites)",
          kDomain + L" in EscDomains: not mapped",
          L"Policy overrides: none"}},
        {"Windows 11, 64-bit, at 125 %, elevated",
         [](FakePlatform& os, FakeReportFacts& facts) {
             SetText(os, kWindows, L"ProductName", "Windows 10 Pro");
             SetText(os, kWindows, L"CurrentBuildNumber", "22631");
             facts.windows64 = {true};
             facts.dpi = {120};
             facts.elevated = {true};
             os.AddWindow(L"IEFrame");
             os.AddWindow(L"IEFrame");
         },
         {L"Product: Windows 11 Pro", L"Process: " + process + L"64-bit Windows",
          L"Display scale: 120 dots per inch (125 %)", L"Process runs elevated: yes",
          L"  Runs as a browser: no, never on Windows 11",
          L"  The Trusted Sites settings apply to Edge's IE mode only.", L"Browser frame windows open: 2"}},
        {"Windows XP, facts that cannot be read",
         [](FakePlatform& os, FakeReportFacts& facts) {
             SetText(os, kWindows, L"CurrentBuildNumber", "2600");
             facts.windows64 = {std::nullopt, 127, L"The specified procedure could not be found."};
             facts.administrator = {std::nullopt, 5, L"Access is denied."};
             facts.Fail("FolderExists", 1, 5);
             facts.Fail("ProgramFile", 1, 5);
             facts.Fail("CurrentDirectory", 1, 3);
             facts.Fail("DisplayDpi", 1, 6);
         },
         {L"Process: " + process + L"Windows of unknown width: The specified procedure could not be found.",
          L"User is an administrator: cannot be told: Access is denied.",
          L"Process runs elevated: not applicable (this Windows has no User Account Control)",
          L"All: cannot be told: error 5", L"Program folder: cannot be told: error 5",
          L"Current directory: cannot be told: error 3", L"Display scale: cannot be told: error 6"}},
        {"an expired certificate, and one only in the user's part under ProtectedRoots",
         [](FakePlatform& os, FakeReportFacts& facts) {
             EverythingInEffect(os, facts);
             os.SetCertificateFile(L"All\\" + CertificateFiles()[0], Certificate("Old CA", "201231235959Z"));
             os.SetDword(L"HKLM\\Software\\Policies\\Microsoft\\SystemCertificates\\Root\\ProtectedRoots",
                         L"Flags", 1);
             os.SetRootLookup(2, {PlatformOps::RootStanding::UserPartOnly, {}});
             os.SetRootLookup(3, {PlatformOps::RootStanding::NotInStore, {}});
             os.SetRootLookup(4, {PlatformOps::RootStanding::StoreUnreadable, L"Access is denied."});
         },
         {L"  Expires: 2020-12-31 23:59:59 UTC (expired)",
          L"ProtectedRoots policy: the user's own roots are not trusted",
          std::wstring(L"  Trusted root store: in the user's part only, which the ProtectedRoots policy ") +
              L"tells Windows not to trust",
          L"  Trusted root store: absent",
          L"  Trusted root store: the store cannot be read: Access is denied."}},
        {"another account, distrusted certificates, files marked as downloaded",
         [](FakePlatform& os, FakeReportFacts& facts) {
             EverythingInEffect(os, facts);
             facts.processUser = {Account{L"S-1-5-21-7-7-7-500", L"PC\\Admin"}};
             os.SetRootLookup(
                 1, {PlatformOps::RootStanding::MachinePart, {}, PlatformOps::Distrust::ComputerStore});
             os.SetRootLookup(
                 2, {PlatformOps::RootStanding::UserPartOnly, {}, PlatformOps::Distrust::UserStore});
             os.SetRootLookup(3, {PlatformOps::RootStanding::MachinePart,
                                  {},
                                  PlatformOps::Distrust::Unknown,
                                  L"Access is denied."});
             facts.SetZoneMark(L"All\\TovalSetHelp.chm", {std::optional<std::uint32_t>{3}});
             facts.SetZoneMark(L"C:\\Program Files\\TovalSet\\TovalSet.exe",
                               {std::optional<std::uint32_t>{4}});
             facts.SetZoneMark(L"All\\TOVALPKI.exe", {std::nullopt, 5, L"Access is denied."});
         },
         {L"Desktop user: PC\\User (S-1-5-21-7-7-7-1001)",
          std::wstring(
              L"TovalSet runs as: PC\\Admin (S-1-5-21-7-7-7-500): another account than the desktop's, ") +
              L"for which the buttons would change the certificates and settings, so they change nothing",
          std::wstring(L"  Untrusted Certificates: in the computer's Untrusted Certificates store: ") +
              L"Windows will not trust it",
          L"  Untrusted Certificates: in your Untrusted Certificates store: Windows will not trust it",
          L"  Untrusted Certificates: cannot be told: Access is denied.",
          L"  Mark of the web: the Internet zone (ZoneId 3)",
          L"  Mark of the web: the Restricted sites zone (ZoneId 4)",
          L"  Mark of the web: cannot be told: Access is denied."}},
        {"file faults: not a certificate, unreadable, not a program",
         [](FakePlatform& os, FakeReportFacts& facts) {
             EverythingInEffect(os, facts);
             os.SetCertificateFile(L"All\\" + CertificateFiles()[0],
                                   Text("-----BEGIN CERTIFICATE-----\n!!\n"));
             os.SetCertificateFile(L"All\\" + CertificateFiles()[1], Text("not DER at all"));
             facts.SetFile(L"All\\certmgr.exe", Text("#!/bin/sh"));
             facts.SetFile(L"All\\TOVALPKI.exe", Program(0x20B, 3));
             os.SetRootLookup(3, {PlatformOps::RootStanding::FileUnreadable, L"error 32"});
         },
         {L"All\\" + CertificateFiles()[0] + L": holds no certificate",
          L"All\\" + CertificateFiles()[1] + L": holds no certificate",
          L"All\\" + CertificateFiles()[2] + L": cannot be read: error 32",
          L"All\\certmgr.exe: present, not a Windows program",
          L"All\\TOVALPKI.exe: present, console program, 64-bit, not signed"}},
        {"signed programs: verified, not verifying, not to be verified here",
         [](FakePlatform& os, FakeReportFacts& facts) {
             EverythingInEffect(os, facts);
             facts.SetFile(L"All\\certmgr.exe", Program(0x10B, 3, true));
             facts.SetFile(L"All\\TOVALPKI.exe", Program(0x20B, 2, true));
             facts.SetFile(L"C:\\Program Files\\TovalSet\\TovalSet.exe", Program(0x10B, 2, true));
             facts.verification = {
                 Verification{false, L"A certificate chain terminated in an untrusted root."}};
         },
         {L"Program: present, windowed program, 32-bit, signed, does not verify: A certificate chain "
          L"terminated in an untrusted root.",
          L"All\\TOVALPKI.exe: present, windowed program, 64-bit, signed, does not verify: A certificate "
          L"chain terminated in an untrusted root."}},
        {"signed programs where signatures cannot be verified, and where they verify",
         [](FakePlatform& os, FakeReportFacts& facts) {
             EverythingInEffect(os, facts);
             facts.SetFile(L"All\\certmgr.exe", Program(0x10B, 3, true));
             facts.SetFile(L"All\\TOVALPKI.exe", Program(0x10B, 2));
             facts.SetFile(L"C:\\Program Files\\TovalSet\\TovalSet.exe", Program(0x10B, 2, true));
             facts.verification = {Verification{true, {}}};
             facts.Fail("VerifySignature", 1, 127);
         },
         {L"Program: present, windowed program, 32-bit, signed, not verified",
          L"All\\certmgr.exe: present, console program, 32-bit, signed, verified",
          L"All\\TOVALPKI.exe: present, windowed program, 32-bit, not signed"}},
        {"policies override the zone: HKLM only, a policy setting, a site list, Enhanced Security",
         [](FakePlatform& os, FakeReportFacts& facts) {
             EverythingInEffect(os, facts);
             os.SetDword(L"HKLM" + kPolicies, L"Security_HKLM_only", 1);
             os.SetDword(L"HKLM" + kPolicies + L"\\Zones\\2", L"1201", 3);
             os.SetDword(L"HKCU" + kPolicies + L"\\Zones\\2", L"1400", 1);
             os.SetDword(L"HKLM" + kPolicies + L"\\ZoneMapKey", kDomain, 3);
             os.SetDword(kZoneMap, L"IEHarden", 1);
             os.SetDword(kZoneMap + L"\\EscDomains\\" + kDomain, L"*", 2);
         },
         {L"Setting 1201: yours 0, the computer's policy 3", L"Setting 1400: yours 0, your user policy 1",
          kDomain + L" in EscDomains: zone 2 (Trusted Sites)", L"Policy overrides: 5",
          L"  only the computer's zone settings count (Security_HKLM_only)",
          L"  the site-to-zone assignment list of the computer's policy replaces yours and puts " + kDomain +
              L" in the Internet zone",
          L"  the computer's policy sets Trusted Sites setting 1201 to 3",
          L"  your user policy sets Trusted Sites setting 1400 to 1",
          std::wstring(L"  Internet Explorer Enhanced Security Configuration is on, so sites are mapped ") +
              L"from EscDomains, not Domains"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        FakePlatform os;
        os.readsCertificateFiles = true;
        FakeReportFacts facts;
        c.arrange(os, facts);
        ExpectLinesOfAReadOnlyReport(os, StatusReport(os, facts), c.lines);
    }
}

TEST(StatusReport, IsSavedUnderTheMomentItWasMade) {
    EXPECT_EQ(ReportFileName({2026, 1, 2, 3, 4, 5}), L"TovalSet report 2026-01-02 03-04-05.txt");
    EXPECT_EQ(ReportFileName({2026, 12, 31, 23, 59, 59}), L"TovalSet report 2026-12-31 23-59-59.txt");
}

namespace {

const std::wstring kEdgePolicies = L"HKLM\\SOFTWARE\\Policies\\Microsoft\\Edge";

void Firefox(FakePlatform& os, const std::string& key, const std::string& version) {
    SetText(os, L"HKLM\\SOFTWARE\\" + std::wstring(key.begin(), key.end()), L"CurrentVersion", version);
}

// The verdict's lines, between its heading and the blank line after it.
std::vector<std::wstring> Verdict(const std::wstring& report) {
    const std::vector<std::wstring> lines = Lines(report);
    std::vector<std::wstring> verdict;
    auto line = std::find(lines.begin(), lines.end(), L"What keeps the service from working here");
    for (line = line == lines.end() ? line : line + 1; line != lines.end() && !line->empty(); ++line) {
        verdict.push_back(*line);
    }
    return verdict;
}

} // namespace

// The verdict opens the report: one line for each thing that keeps the service from working, with what to
// do, and none for what is in order; each from a fact that the report gives below it.
TEST(StatusReport, TheVerdictNamesEachFaultAndNothingElse) {
    const std::wstring nothing = L"Nothing: everything TovalSet sets is in effect for this user.";
    const std::wstring firefox =
        L"- If you use Firefox, it may not use the certificates TovalSet installs: set the "
        L"ImportEnterpriseRoots "
        L"policy, or in Firefox's settings trust the system's certificate authorities.";
    const std::wstring noIeMode =
        L"- Internet Explorer cannot run here and no policy turns on Edge's IE mode with a site list, so the "
        L"Trusted Sites settings take effect in no browser: an administrator sets Edge's IE mode with a site "
        L"list that names " +
        kDomain + L".";
    const std::wstring reloadInIeMode =
        L"- Internet Explorer cannot run here and no IE mode site list names " + kDomain +
        L", so the Trusted Sites settings take effect only in pages that Edge reloads in Internet Explorer "
        L"mode: in Edge's settings, Default browser, turn on \"Allow sites to be reloaded in Internet "
        L"Explorer "
        L"mode\", then open " +
        kDomain + L" and choose \"Reload in Internet Explorer mode\" (Edge keeps it for 30 days).";
    const auto smartAppControl = [](const std::wstring& program, const std::wstring& signature) {
        return L"- Smart App Control is on and " + program + L" " + signature +
               L", so Windows may not start it: ask the service for a signed one, or have an administrator "
               L"install the certificates for all users (ADMIN.txt).";
    };
    const std::wstring help = L"- All\\TovalSetHelp.chm ";
    const std::wstring helpBlank = L"so the help shows none of its pages: ";
    struct Case {
        const char* state = nullptr;
        std::function<void(FakePlatform&, FakeReportFacts&)> arrange;
        std::vector<std::wstring> verdict;
        std::vector<std::wstring> lines = {}; // facts below that the verdict comes from
    };
    const std::vector<Case> cases = {
        {"everything in effect on Windows 10", [](FakePlatform&, FakeReportFacts&) {}, {nothing}},
        {"Windows 11 without IE mode by policy: the user may reload in IE mode",
         [](FakePlatform& os, FakeReportFacts&) { SetText(os, kWindows, L"CurrentBuildNumber", "22631"); },
         {reloadInIeMode},
         {L"Smart App Control: not told by this Windows",
          L"Edge: not told by this Windows (no install key found)", L"  IE mode: not set by policy",
          L"Use the user's root store: none of the browsers found"}},
        {"Windows 11 with Edge's IE mode and a site list by policy, Smart App Control off",
         [](FakePlatform& os, FakeReportFacts&) {
             SetText(os, kWindows, L"CurrentBuildNumber", "22631");
             SetText(os,
                     L"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\"
                     L"{56EB18F8-B008-4CBD-B6D2-8C97FE7E9062}",
                     L"pv", "131.0.2903.86");
             os.SetDword(kEdgePolicies, L"InternetExplorerIntegrationLevel", 1);
             SetText(os, kEdgePolicies, L"InternetExplorerIntegrationSiteList", "https://intranet/sites.xml");
             os.SetDword(L"HKCU\\SOFTWARE\\Policies\\Microsoft\\Edge",
                         L"InternetExplorerIntegrationReloadInIEModeAllowed", 0);
             os.SetDword(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\CI\\Policy",
                         L"VerifiedAndReputablePolicyState", 0);
         },
         {nothing},
         {L"Edge: 131.0.2903.86", L"  IE mode: on by policy (InternetExplorerIntegrationLevel 1)",
          L"  IE mode site list: https://intranet/sites.xml: check that it names " + kDomain,
          L"  Reload in IE mode: not allowed by policy", L"Smart App Control: off",
          L"Use the user's root store: Edge"}},
        {"Windows 10 with Internet Explorer disabled by policy",
         [](FakePlatform& os, FakeReportFacts&) {
             os.SetDword(L"HKLM\\SOFTWARE\\Policies\\Microsoft\\Internet Explorer\\Main",
                         L"NotifyDisableIEOptions", 0);
         },
         {reloadInIeMode},
         {L"  Runs as a browser: no, disabled by policy (NotifyDisableIEOptions)",
          L"Use the user's root store: none of the browsers found"}},
        {"Windows 11 with IE mode by policy, no site list, reload not allowed",
         [](FakePlatform& os, FakeReportFacts&) {
             SetText(os, kWindows, L"CurrentBuildNumber", "22631");
             os.SetDword(kEdgePolicies, L"InternetExplorerIntegrationLevel", 1);
             os.SetDword(kEdgePolicies, L"InternetExplorerIntegrationReloadInIEModeAllowed", 0);
         },
         {noIeMode}},
        {"Firefox 128 with ImportEnterpriseRoots at 0, which locks the import off",
         [](FakePlatform& os, FakeReportFacts&) {
             Firefox(os, "Mozilla\\Mozilla Firefox", "128.5.1 (x64 en-US)");
             os.SetDword(L"HKCU\\SOFTWARE\\Policies\\Mozilla\\Firefox\\Certificates",
                         L"ImportEnterpriseRoots", 0);
         },
         {L"- Firefox does not use the certificates TovalSet installs: the ImportEnterpriseRoots policy is "
          L"0, "
          L"which turns that off and locks it: ask your administrator to set the policy to 1."},
         {L"  Uses the certificates TovalSet installs: no: the ImportEnterpriseRoots policy is 0, which "
          L"turns "
          L"that off and locks it",
          L"Use the user's root store: Internet Explorer (where it still runs)"}},
        {"Firefox 115 ESR, 32-bit, without the policy; Chrome",
         [](FakePlatform& os, FakeReportFacts&) {
             Firefox(os, "WOW6432Node\\Mozilla\\Mozilla Firefox ESR", "115.18.0esr (x86 en-US)");
             SetText(os, L"HKCU\\Software\\Google\\Chrome\\BLBeacon", L"version", "131.0.6778.86");
         },
         {firefox},
         {L"Firefox: 115.18.0esr (x86 en-US)", L"Chrome: 131.0.6778.86",
          L"Use the user's root store: Internet Explorer (where it still runs), Chrome"}},
        {"Firefox 115 ESR with the ImportEnterpriseRoots policy",
         [](FakePlatform& os, FakeReportFacts&) {
             Firefox(os, "Mozilla\\Mozilla Firefox ESR", "115.18.0esr (x64 en-US)");
             os.SetDword(L"HKLM\\SOFTWARE\\Policies\\Mozilla\\Firefox\\Certificates",
                         L"ImportEnterpriseRoots", 1);
         },
         {nothing},
         {L"  Uses the certificates TovalSet installs: yes, by the ImportEnterpriseRoots policy"}},
        {"Firefox 128, 64-bit, in the system's view; the 32-bit copy holds an older one",
         [](FakePlatform& os, FakeReportFacts&) {
             Firefox(os, "Mozilla\\Mozilla Firefox", "128.5.1 (x64 en-US)");
             Firefox(os, "WOW6432Node\\Mozilla\\Mozilla Firefox", "102.0 (x86 en-US)");
         },
         {nothing},
         {L"Firefox: 128.5.1 (x64 en-US)",
          L"  Uses the certificates TovalSet installs: yes, from version 120 on"}},
        {"Smart App Control on, the certificate manager unsigned, the middleware signed",
         [](FakePlatform& os, FakeReportFacts& facts) {
             os.SetDword(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\CI\\Policy",
                         L"VerifiedAndReputablePolicyState", 1);
             facts.SetFile(L"All\\TOVALPKI.exe", Program(0x10B, 2, true));
             facts.verification = {Verification{true, {}}};
         },
         {smartAppControl(L"All\\certmgr.exe", L"carries no signature")},
         {L"Smart App Control: on: programs without a trusted signature may not start"}},
        {"Smart App Control on, signatures that do not verify or cannot be verified; TovalSet itself "
         "unsigned",
         [](FakePlatform& os, FakeReportFacts& facts) {
             os.SetDword(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\CI\\Policy",
                         L"VerifiedAndReputablePolicyState", 1);
             facts.SetFile(L"All\\certmgr.exe", Program(0x10B, 3, true));
             facts.SetFile(L"All\\TOVALPKI.exe", Program(0x10B, 2, true));
             facts.verification = {
                 Verification{false, L"The digital signature of the object did not verify."}};
             facts.Fail("VerifySignature", 2, 127);
         },
         {smartAppControl(L"All\\certmgr.exe", L"carries a signature that does not verify"),
          smartAppControl(L"All\\TOVALPKI.exe", L"carries a signature that this Windows cannot verify")}},
        {"Smart App Control evaluating, programs unsigned",
         [](FakePlatform& os, FakeReportFacts&) {
             os.SetDword(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\CI\\Policy",
                         L"VerifiedAndReputablePolicyState", 2);
         },
         {nothing},
         {L"Smart App Control: evaluating this computer"}},
        {"certificates absent, distrusted, only in a distrusted user part; the zone not set and overridden",
         [](FakePlatform& os, FakeReportFacts&) {
             os.SetRootLookup(1, {PlatformOps::RootStanding::NotInStore});
             os.SetRootLookup(2,
                              {PlatformOps::RootStanding::MachinePart, {}, PlatformOps::Distrust::UserStore});
             os.SetRootLookup(3, {PlatformOps::RootStanding::UserPartOnly});
             os.SetRootLookup(
                 4, {PlatformOps::RootStanding::MachinePart, {}, PlatformOps::Distrust::ComputerStore});
             os.SetDword(L"HKLM\\Software\\Policies\\Microsoft\\SystemCertificates\\Root\\ProtectedRoots",
                         L"Flags", 1);
             os.SetDword(kZone, L"1201", 3);
             os.SetDword(kZoneMap + L"\\Domains\\" + kDomain, L"*", 3);
             os.SetDword(L"HKLM" + kPolicies, L"Security_HKLM_only", 1);
         },
         {L"- All\\" + CertificateFiles()[0] +
              L" is not in the trusted root store: press the button that installs the digital certificates.",
          L"- All\\" + CertificateFiles()[1] +
              L" is in your Untrusted Certificates store, so Windows will not trust it: take it out of there "
              L"(certmgr.msc, Untrusted Certificates).",
          L"- All\\" + CertificateFiles()[2] +
              L" is only in your root store, which a policy tells Windows not to trust: an administrator "
              L"must "
              L"add it to the computer's store.",
          L"- All\\" + CertificateFiles()[3] +
              L" is in the computer's Untrusted Certificates store, so Windows will not trust it: an "
              L"administrator must take it out of there (certlm.msc from Windows 8 on, before that the "
              L"Certificates snap-in in mmc for the computer account); one that group policy put there comes "
              L"back unless the policy changes.",
          L"- Trusted Sites settings 1201 are not set to allow: press the IE settings button.",
          L"- " + kDomain + L" is not in Trusted Sites: press the IE settings button.",
          L"- A policy overrides the Trusted Sites settings (only the computer's zone settings count "
          L"(Security_HKLM_only)): ask your administrator to add " +
              kDomain + L" to Trusted Sites."}},
        {"the help file marked with the Trusted sites zone, and on a network share",
         [](FakePlatform&, FakeReportFacts& facts) {
             facts.SetZoneMark(L"All\\TovalSetHelp.chm", {std::optional<std::uint32_t>{2}});
             facts.onNetwork = {true};
         },
         {help + L"carries the mark of the Trusted sites zone, " + helpBlank +
              L"unblock it in its Properties.",
          help + L"lies on another computer, in the Local intranet zone, " + helpBlank +
              L"copy TovalSet with its folder All to this computer's disk and start it from there."},
         {L"  Location: on another computer (the Local intranet zone)",
          L"  Shows: pages of the My Computer zone only (MaxAllowedZone not set)"}},
        {"the help file marked with the Trusted sites zone, which HTML Help allows",
         [](FakePlatform& os, FakeReportFacts& facts) {
             facts.SetZoneMark(L"All\\TovalSetHelp.chm", {std::optional<std::uint32_t>{2}});
             os.SetDword(L"HKLM\\SOFTWARE\\Microsoft\\HTMLHelp\\1.x\\ItssRestrictions", L"MaxAllowedZone", 2);
         },
         {nothing},
         {L"  Shows: pages of zones up to Trusted sites (MaxAllowedZone 2)"}},
        {"the help file marked, another account",
         [](FakePlatform&, FakeReportFacts& facts) {
             facts.SetZoneMark(L"All\\TovalSetHelp.chm", {std::optional<std::uint32_t>{3}});
             facts.processUser = {Account{L"S-1-5-21-7-7-7-500", L"PC\\Admin"}};
         },
         {L"- TovalSet runs as PC\\Admin, not as PC\\User at this desktop, so its buttons change nothing "
          L"here: "
          L"start it with a double click, without another account's password.",
          L"- All\\TovalSetHelp.chm carries the mark of the Internet zone, so the help shows none of its "
          L"pages: "
          L"unblock it in its Properties."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        FakePlatform os;
        os.readsCertificateFiles = true;
        FakeReportFacts facts;
        EverythingInEffect(os, facts);
        c.arrange(os, facts);
        const Report report = StatusReport(os, facts);
        EXPECT_EQ(Verdict(report.text), c.verdict) << Narrow(report.text);
        ExpectLinesOfAReadOnlyReport(os, report, c.lines);
    }
}

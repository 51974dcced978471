#include "actions/buttons/BrowserZone.h"
#include "tests/fake/FakePlatform.h"

#include "ServiceDomain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::FakeReportFacts;
using tovalset::fake::Narrow;
using tovalset::fake::RegValue;
using Calls = std::vector<std::string>;

namespace {

const std::wstring kZone = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
const std::wstring kDomains =
    L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\";
const std::vector<std::wstring> kSettings = {L"1001", L"1004", L"1201", L"1400", L"1402", L"1208"};

std::wstring DomainKey() {
    return kDomains + TOVALSET_SERVICE_DOMAIN;
}
std::string Create(const std::wstring& path) {
    return "RegCreateKeyA(HKCU, \"" + Narrow(path.substr(5)) + "\")";
}
std::string Set(int key, const std::string& name, int data) {
    return "RegSetValueExA(#" + std::to_string(key) + ", \"" + name + "\", 0, 4, [0" + std::to_string(data) +
           " 00 00 00], 4)";
}
std::string Close(int key) {
    return "RegCloseKey(#" + std::to_string(key) + ")";
}
std::string Find(const std::string& after) {
    return "FindWindowExA(none, " + after + ", \"IEFrame\", none)";
}
const std::string kOk = "ShowMessage(\"Confoguration Is OK!!\")";
const std::string kFailed = "ShowMessage(\"AntiVirus/Firewall Is Start.Configuration Is Not OK!!\")";

// The registry part of a full run, key handles numbered from `first`.
Calls RegistryCalls(int first = 1) {
    Calls calls;
    int key = first;
    for (const auto& setting : kSettings) {
        calls.insert(calls.end(), {Create(kZone), Set(key, Narrow(setting), 0), Close(key)});
        ++key;
    }
    calls.insert(calls.end(), {Create(DomainKey()), Close(key), Create(DomainKey()), Set(key + 1, "*", 2),
                               Close(key + 1)});
    return calls;
}

const std::wstring kPolicies = L"Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::wstring kUserZoneMap = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap";

// The reads that look for overrides on a computer with no policy, after a full run's writes have made the
// user's ZoneMap key (opened as key `key`).
Calls OverrideChecks(int key) {
    Calls calls;
    const auto open = [&calls](const char* root, const std::wstring& path) {
        calls.push_back("RegOpenKeyA(" + std::string(root) + ", \"" + Narrow(path) + "\")");
    };
    open("HKLM", kPolicies);
    open("HKLM", kPolicies + L"\\ZoneMapKey");
    open("HKCU", kPolicies + L"\\ZoneMapKey");
    open("HKLM", kPolicies + L"\\Zones\\2");
    open("HKCU", kPolicies + L"\\Zones\\2");
    open("HKCU", kUserZoneMap);
    calls.insert(calls.end(),
                 {"RegQueryValueExA(#" + std::to_string(key) + ", \"IEHarden\", 0, buffer, 4)", Close(key)});
    return calls;
}

bool IsDword(const RegValue* value, std::uint8_t low) {
    return value != nullptr && value->type == REG_DWORD &&
           value->data == std::vector<std::uint8_t>{low, 0, 0, 0};
}

} // namespace

TEST(ConfigureBrowserZone, KeyPathsAreTheFixedOnes) {
    EXPECT_EQ(std::wstring(kZoneKeyPath), kZone.substr(5));
    const std::wstring domain = DomainKeyPath();
    EXPECT_EQ(domain.substr(0, 76), kDomains.substr(5));
    EXPECT_EQ(domain.substr(76), TOVALSET_SERVICE_DOMAIN);
}

TEST(ConfigureBrowserZone, FullRunMakesTheFifteenTestedCallsAndEightClosesInOrder) {
    FakePlatform os;
    FakeReportFacts facts;
    ConfigureBrowserZone(os, facts);

    Calls expected = RegistryCalls();
    const Calls checks = OverrideChecks(9);
    expected.insert(expected.end(), checks.begin(), checks.end());
    expected.insert(expected.end(), {Find("none"), kOk});
    EXPECT_EQ(os.callsBesidesTheRecord(), expected);
    for (const auto& setting : kSettings) {
        EXPECT_TRUE(IsDword(os.Value(kZone, setting), 0)) << Narrow(setting);
    }
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"*"), 2));
    EXPECT_EQ(os.ValueCount(kZone), 6u);
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST(ConfigureBrowserZone, ReplacesValuesOfAnotherTypeAndLeavesOtherValuesAlone) {
    FakePlatform os;
    FakeReportFacts facts;
    os.SetValue(kZone, L"1400", {REG_SZ, {'3', 0}});
    os.SetDword(kZone, L"1201", 3);
    os.SetDword(kZone, L"1609", 3);
    os.SetDword(DomainKey(), L"*", 1);
    os.SetDword(DomainKey(), L"http", 4);

    ConfigureBrowserZone(os, facts);

    EXPECT_TRUE(IsDword(os.Value(kZone, L"1400"), 0));
    EXPECT_TRUE(IsDword(os.Value(kZone, L"1201"), 0));
    EXPECT_TRUE(IsDword(os.Value(kZone, L"1609"), 3));
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"*"), 2));
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"http"), 4));
    EXPECT_EQ(os.messages(), std::vector<std::wstring>{kZoneOkMessage});
}

TEST(ConfigureBrowserZone, TwoRunsInARowEndTheSameWay) {
    FakePlatform os;
    FakeReportFacts facts;
    ConfigureBrowserZone(os, facts);
    ConfigureBrowserZone(os, facts);

    Calls expected = RegistryCalls(1);
    const Calls firstChecks = OverrideChecks(9);
    expected.insert(expected.end(), firstChecks.begin(), firstChecks.end());
    expected.insert(expected.end(), {Find("none"), kOk});
    const Calls second = RegistryCalls(10);
    expected.insert(expected.end(), second.begin(), second.end());
    const Calls secondChecks = OverrideChecks(18);
    expected.insert(expected.end(), secondChecks.begin(), secondChecks.end());
    expected.insert(expected.end(), {Find("none"), kOk});
    EXPECT_EQ(os.callsBesidesTheRecord(), expected);
    EXPECT_EQ(os.ValueCount(kZone), 6u);
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST(ConfigureBrowserZone, IgnoresFailedClosesAndPosts) {
    FakePlatform os;
    FakeReportFacts facts;
    os.AddWindow(L"IEFrame");
    os.Fail("RegCloseKey", 1, 6);
    os.Fail("RegCloseKey", 8, 6);
    os.Fail("PostMessageA", 1, 1);
    ConfigureBrowserZone(os, facts);
    EXPECT_EQ(os.messages(), std::vector<std::wstring>{kZoneOkMessage});
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"*"), 2));
}

// A failure at each of the 15 tested calls: what was written before stays, nothing after it runs, the key
// that was open is closed, one failure message, and no window is asked to close.
struct FailurePoint {
    const char* operation;
    int occurrence;
    RegStatus status;
    std::size_t zoneValuesKept;
    bool domainKeyMade;
};

void PrintTo(const FailurePoint& point, std::ostream* out) {
    *out << point.operation << " #" << point.occurrence << " fails with " << point.status;
}

class ConfigureBrowserZoneFailure : public ::testing::TestWithParam<FailurePoint> {};

TEST_P(ConfigureBrowserZoneFailure, StopsAtTheFailedCallWithTheOneMessage) {
    const FailurePoint point = GetParam();
    FakePlatform os;
    FakeReportFacts facts;
    os.AddWindow(L"IEFrame");
    os.Fail(point.operation, point.occurrence, point.status);

    ConfigureBrowserZone(os, facts);

    // The calls are those of a full run up to the failing one, then the close of the key that a failed
    // write leaves open, then the message.
    const Calls full = RegistryCalls();
    int seen = 0;
    std::size_t failed = 0;
    for (; failed < full.size(); ++failed) {
        if (full[failed].rfind(point.operation, 0) == 0 && ++seen == point.occurrence) {
            break;
        }
    }
    ASSERT_LT(failed, full.size());
    Calls expected(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(failed) + 1);
    if (std::string(point.operation) == "RegSetValueExA") {
        expected.push_back(full[failed + 1]);
    }
    expected.push_back(kFailed);
    EXPECT_EQ(os.callsBesidesTheRecord(), expected);

    EXPECT_EQ(os.ValueCount(kZone), point.zoneValuesKept);
    for (std::size_t i = 0; i < point.zoneValuesKept; ++i) {
        EXPECT_TRUE(IsDword(os.Value(kZone, kSettings[i]), 0)) << Narrow(kSettings[i]);
    }
    EXPECT_EQ(os.HasKey(DomainKey()), point.domainKeyMade);
    EXPECT_EQ(os.Value(DomainKey(), L"*"), nullptr);
    EXPECT_TRUE(os.posted().empty());
    EXPECT_EQ(os.OpenKeyCount(), 0u);
    EXPECT_EQ(os.messages(), std::vector<std::wstring>{kZoneFailedMessage});
}

INSTANTIATE_TEST_SUITE_P(
    EachTestedCall, ConfigureBrowserZoneFailure,
    ::testing::Values(
        FailurePoint{"RegCreateKeyA", 1, 5, 0, false}, FailurePoint{"RegSetValueExA", 1, 5, 0, false},
        FailurePoint{"RegCreateKeyA", 2, -1, 1, false}, FailurePoint{"RegSetValueExA", 2, -1, 1, false},
        FailurePoint{"RegCreateKeyA", 3, 5, 2, false}, FailurePoint{"RegSetValueExA", 3, 5, 2, false},
        FailurePoint{"RegCreateKeyA", 4, 5, 3, false}, FailurePoint{"RegSetValueExA", 4, 5, 3, false},
        FailurePoint{"RegCreateKeyA", 5, 1, 4, false}, FailurePoint{"RegSetValueExA", 5, 1, 4, false},
        FailurePoint{"RegCreateKeyA", 6, 5, 5, false}, FailurePoint{"RegSetValueExA", 6, 5, 5, false},
        FailurePoint{"RegCreateKeyA", 7, 5, 6, false}, FailurePoint{"RegCreateKeyA", 8, -2147024891, 6, true},
        FailurePoint{"RegSetValueExA", 7, 5, 6, true}),
    [](const ::testing::TestParamInfo<FailurePoint>& info) {
        return std::string(info.param.operation) + std::to_string(info.param.occurrence);
    });

// ---- what overrides the written settings ----

const std::wstring kDomain = TOVALSET_SERVICE_DOMAIN;
// The domain above the service's host, as a site list may name it.
const std::wstring kParent = kDomain.substr(kDomain.find(L'.') + 1);

// One computer's policies and settings, and the cause that the message must give for them ("" when the
// written settings take effect).
struct OverrideCase {
    const char* name;
    std::function<void(FakePlatform&)> set;
    std::wstring cause;
};

RegValue Text(const std::wstring& text) {
    RegValue value{REG_SZ, std::vector<std::uint8_t>(text.begin(), text.end())};
    value.data.push_back(0);
    return value;
}

const std::wstring kHklmList = L"HKLM\\" + kPolicies + L"\\ZoneMapKey";
const std::wstring kHkcuList = L"HKCU\\" + kPolicies + L"\\ZoneMapKey";
const std::wstring kNotNamed =
    L"the site-to-zone assignment list of the computer's policy replaces yours and "
    L"does not name " +
    kDomain;
const std::wstring kEsc =
    L"Internet Explorer Enhanced Security Configuration is on, so sites are mapped from "
    L"EscDomains, not Domains";

const OverrideCase kOverrideCases[] = {
    {"nothing set", [](FakePlatform&) {}, L""},
    {"machine's zone settings only",
     [](FakePlatform& os) { os.SetDword(L"HKLM\\" + kPolicies, L"Security_HKLM_only", 1); },
     L"only the computer's zone settings count (Security_HKLM_only)"},
    {"machine's zone settings only, key unreadable",
     [](FakePlatform& os) {
         os.SetDword(L"HKLM\\" + kPolicies, L"Security_HKLM_only", 1);
         os.Fail("RegOpenKeyA", 1, fake::kAccessDenied);
     },
     L""},
    {"machine's zone settings only, value unreadable",
     [](FakePlatform& os) {
         os.SetDword(L"HKLM\\" + kPolicies, L"Security_HKLM_only", 1);
         os.Fail("RegQueryValueExA", 1, fake::kAccessDenied);
     },
     L""},
    {"machine's site list without the domain",
     [](FakePlatform& os) { os.SetValue(kHklmList, L"other.example", Text(L"2")); }, kNotNamed},
    {"empty machine's site list",
     [](FakePlatform& os) { os.SetValue(kHklmList + L"\\sub", L"x", Text(L"2")); }, kNotNamed},
    {"machine's site list unreadable",
     [](FakePlatform& os) {
         os.SetValue(kHklmList, L"other.example", Text(L"2"));
         os.Fail("RegOpenKeyA", 2, fake::kAccessDenied);
     },
     L""},
    {"user's site list puts the domain into Internet",
     [](FakePlatform& os) { os.SetValue(kHkcuList, L"https://" + kDomain, Text(L"3")); },
     L"the site-to-zone assignment list of your user policy replaces yours and puts https://" + kDomain +
         L" in the Internet zone"},
    {"machine's site list puts the parent into Restricted Sites",
     [](FakePlatform& os) { os.SetDword(kHklmList, L"*." + kParent, 4); },
     L"the site-to-zone assignment list of the computer's policy replaces yours and puts *." + kParent +
         L" in the Restricted sites zone"},
    {"machine's site list names the host before its parent",
     [](FakePlatform& os) {
         os.SetValue(kHklmList, kParent, Text(L"2"));
         os.SetValue(kHklmList, L"http://" + kDomain, Text(L" 1 "));
     },
     L"the site-to-zone assignment list of the computer's policy replaces yours and puts http://" + kDomain +
         L" in the Local intranet zone"},
    {"machine's site list trusts the domain",
     [](FakePlatform& os) { os.SetValue(kHklmList, kDomain, Text(L"2")); }, L""},
    {"user's site list trusts the domain where the machine's does not name it",
     [](FakePlatform& os) {
         os.SetValue(kHklmList, L"other.example", Text(L"2"));
         os.SetDword(kHkcuList, L"*://*." + kParent, 2);
     },
     L""},
    {"site list entry that is no zone number",
     [](FakePlatform& os) { os.SetValue(kHklmList, kDomain, Text(L"trusted")); }, kNotNamed},
    {"machine's policy sets a Trusted Sites setting",
     [](FakePlatform& os) { os.SetDword(L"HKLM\\" + kPolicies + L"\\Zones\\2", L"1400", 3); },
     L"the computer's policy sets Trusted Sites setting 1400 to 3"},
    {"user's policy sets three Trusted Sites settings, one of them to allow",
     [](FakePlatform& os) {
         for (const auto& [name, value] : {std::pair{L"1001", 1}, {L"1208", 3}, {L"1400", 0}, {L"1402", 1}}) {
             os.SetDword(L"HKCU\\" + kPolicies + L"\\Zones\\2", name, static_cast<std::uint32_t>(value));
         }
     },
     L"your user policy sets Trusted Sites settings 1001 to 1, 1402 to 1 and 1208 to 3"},
    {"policy's Trusted Sites key unreadable",
     [](FakePlatform& os) {
         os.SetDword(L"HKLM\\" + kPolicies + L"\\Zones\\2", L"1400", 3);
         os.Fail("RegOpenKeyA", 4, fake::kAccessDenied);
     },
     L""},
    {"enhanced security configuration",
     [](FakePlatform& os) { os.SetDword(L"HKCU\\" + kUserZoneMap, L"IEHarden", 1); }, kEsc},
    {"enhanced security configuration off",
     [](FakePlatform& os) { os.SetDword(L"HKCU\\" + kUserZoneMap, L"IEHarden", 0); }, L""},
    {"everything at once",
     [](FakePlatform& os) {
         os.SetDword(L"HKLM\\" + kPolicies, L"Security_HKLM_only", 1);
         os.SetValue(kHklmList, L"other.example", Text(L"2"));
         os.SetDword(L"HKLM\\" + kPolicies + L"\\Zones\\2", L"1201", 3);
         os.SetDword(L"HKCU\\" + kUserZoneMap, L"IEHarden", 1);
     },
     L"only the computer's zone settings count (Security_HKLM_only); " + kNotNamed +
         L"; the computer's policy sets Trusted Sites setting 1201 to 3; " + kEsc},
};

TEST(ConfigureBrowserZone, WhatOverridesTheWrittenSettingsIsSaidAndNoWindowIsAskedToClose) {
    for (const OverrideCase& c : kOverrideCases) {
        SCOPED_TRACE(c.name);
        FakePlatform os;
        FakeReportFacts facts;
        os.AddWindow(L"IEFrame");
        c.set(os);
        ConfigureBrowserZone(os, facts);

        // The settings are written all the same.
        EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"*"), 2));
        EXPECT_EQ(os.OpenKeyCount(), 0u);
        if (c.cause.empty()) {
            EXPECT_EQ(os.messages(), std::vector<std::wstring>{kZoneOkMessage});
            EXPECT_EQ(os.posted().size(), 1u);
        } else {
            EXPECT_EQ(os.messages(),
                      std::vector<std::wstring>{L"The settings were written, but a policy on this "
                                                L"computer overrides them: " +
                                                c.cause + L". Ask your administrator to add " + kDomain +
                                                L" to Trusted Sites."});
            EXPECT_TRUE(os.posted().empty());
        }
    }
}

// ---- the browser frame windows ----

TEST(CloseBrowserWindows, ClosesTopLevelFramesFromTheTopAndNothingElse) {
    FakePlatform os;
    FakeReportFacts facts;
    const WindowHandle first = os.AddWindow(L"IEFrame");
    const WindowHandle other = os.AddWindow(L"Notepad");
    os.AddWindow(L"IEFrame", other); // a child of that class is no browser frame
    const WindowHandle second = os.AddWindow(L"IEFrame");
    const WindowHandle third = os.AddWindow(L"IEFrame");

    ConfigureBrowserZone(os, facts);

    const Calls calls = os.callsBesidesTheRecord();
    const Calls tail(calls.end() - 8, calls.end());
    EXPECT_EQ(tail,
              (Calls{Find("none"), Find("W1"), Find("W4"), Find("W5"), "PostMessageA(W1, WM_CLOSE, 0, 0)",
                     "PostMessageA(W4, WM_CLOSE, 0, 0)", "PostMessageA(W5, WM_CLOSE, 0, 0)", kOk}));
    ASSERT_EQ(os.posted().size(), 3u);
    EXPECT_EQ(os.posted()[0].window, first);
    EXPECT_EQ(os.posted()[1].window, second);
    EXPECT_EQ(os.posted()[2].window, third);
}

TEST(CloseBrowserWindows, AFrameThatClosesAtOnceDoesNotHideTheOnesBelowIt) {
    FakePlatform os;
    FakeReportFacts facts;
    const WindowHandle quick = os.AddWindow(L"IEFrame", WindowHandle::None, true);
    const WindowHandle slow = os.AddWindow(L"IEFrame");
    const WindowHandle last = os.AddWindow(L"IEFrame", WindowHandle::None, true);

    CloseBrowserWindows(os);

    ASSERT_EQ(os.posted().size(), 3u);
    EXPECT_EQ(os.posted()[0].window, quick);
    EXPECT_EQ(os.posted()[1].window, slow);
    EXPECT_EQ(os.posted()[2].window, last);
    EXPECT_FALSE(os.IsWindow(quick));
    EXPECT_TRUE(os.IsWindow(slow));
}

TEST(CloseBrowserWindows, AChainLongerThanTheBoundIsCutThere) {
    FakePlatform os;
    FakeReportFacts facts;
    for (std::size_t i = 0; i <= kMaxBrowserWindows; ++i) {
        os.AddWindow(L"IEFrame");
    }
    CloseBrowserWindows(os);
    EXPECT_EQ(os.posted().size(), kMaxBrowserWindows);
}

// ---- the record of what TovalSet changed ----

// Each value as it stood, type and bytes, or that it was not there, and the keys that were not there: read
// and written before the first write; a second run, after TovalSet's own writes, adds nothing.
TEST(ConfigureBrowserZone, TheRecordKeepsEachValueAsItStoodBeforeTheFirstWrite) {
    const std::wstring record = L"HKCU\\Software\\TovalSet";
    FakePlatform os;
    FakeReportFacts facts;
    os.SetDword(kZone, L"1001", 3);
    os.SetValue(kZone, L"1400", {REG_SZ, {'3', 0, 0, 0}});
    ConfigureBrowserZone(os, facts);

    const std::string zone = Narrow(kZone.substr(5));
    const std::string domain = Narrow(DomainKey().substr(5));
    const std::vector<std::string> expected = {
        zone + "|1001|4|03000000", zone + "|1004|absent", zone + "|1201|absent", zone + "|1400|1|33000000",
        zone + "|1402|absent",     zone + "|1208|absent", domain + "|*|absent"};
    EXPECT_EQ(os.Lines(record, L"Values"), expected);
    EXPECT_EQ(os.Lines(record, L"Keys made"), std::vector<std::string>{domain});
    const Calls calls = os.calls();
    const auto firstWrite = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.rfind("RegCreateKeyA(", 0) == 0;
    });
    const auto recordWritten = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.rfind("WriteRegValue(HKCU, \"Software\\TovalSet\", \"Values\"", 0) == 0;
    });
    EXPECT_LT(recordWritten, firstWrite);

    ConfigureBrowserZone(os, facts);
    EXPECT_EQ(os.Lines(record, L"Values"), expected);
    EXPECT_EQ(os.Lines(record, L"Keys made"), std::vector<std::string>{domain});
}

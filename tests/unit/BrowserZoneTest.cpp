#include "actions/BrowserZone.h"
#include "tests/unit/FakePlatform.h"

#include "ServiceDomain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
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

bool IsDword(const RegValue* value, std::uint8_t low) {
    return value != nullptr && value->type == REG_DWORD &&
           value->data == std::vector<std::uint8_t>{low, 0, 0, 0};
}

} // namespace

TEST(ConfigureBrowserZone, KeyPathsAreTheFixedOnes) {
    EXPECT_EQ(std::wstring(kZoneKeyPath).size(), 67u);
    const std::wstring domain = DomainKeyPath();
    EXPECT_EQ(domain.substr(0, 76), kDomains.substr(5));
    EXPECT_EQ(domain.substr(76), TOVALSET_SERVICE_DOMAIN);
}

TEST(ConfigureBrowserZone, FullRunMakesTheFifteenTestedCallsAndEightClosesInOrder) {
    FakePlatform os;
    ConfigureBrowserZone(os);

    Calls expected = RegistryCalls();
    expected.insert(expected.end(), {Find("none"), kOk});
    EXPECT_EQ(os.calls(), expected);
    for (const auto& setting : kSettings) {
        EXPECT_TRUE(IsDword(os.Value(kZone, setting), 0)) << Narrow(setting);
    }
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"*"), 2));
    EXPECT_EQ(os.ValueCount(kZone), 6u);
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST(ConfigureBrowserZone, ReplacesValuesOfAnotherTypeAndLeavesOtherValuesAlone) {
    FakePlatform os;
    os.SetValue(kZone, L"1400", {REG_SZ, {'3', 0}});
    os.SetDword(kZone, L"1201", 3);
    os.SetDword(kZone, L"1609", 3);
    os.SetDword(DomainKey(), L"*", 1);
    os.SetDword(DomainKey(), L"http", 4);

    ConfigureBrowserZone(os);

    EXPECT_TRUE(IsDword(os.Value(kZone, L"1400"), 0));
    EXPECT_TRUE(IsDword(os.Value(kZone, L"1201"), 0));
    EXPECT_TRUE(IsDword(os.Value(kZone, L"1609"), 3));
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"*"), 2));
    EXPECT_TRUE(IsDword(os.Value(DomainKey(), L"http"), 4));
    EXPECT_EQ(os.messages(), std::vector<std::wstring>{kZoneOkMessage});
}

TEST(ConfigureBrowserZone, TwoRunsInARowEndTheSameWay) {
    FakePlatform os;
    ConfigureBrowserZone(os);
    ConfigureBrowserZone(os);

    Calls expected = RegistryCalls(1);
    expected.insert(expected.end(), {Find("none"), kOk});
    const Calls second = RegistryCalls(9);
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), {Find("none"), kOk});
    EXPECT_EQ(os.calls(), expected);
    EXPECT_EQ(os.ValueCount(kZone), 6u);
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST(ConfigureBrowserZone, IgnoresFailedClosesAndPosts) {
    FakePlatform os;
    os.AddWindow(L"IEFrame");
    os.Fail("RegCloseKey", 1, 6);
    os.Fail("RegCloseKey", 8, 6);
    os.Fail("PostMessageA", 1, 1);
    ConfigureBrowserZone(os);
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
    os.AddWindow(L"IEFrame");
    os.Fail(point.operation, point.occurrence, point.status);

    ConfigureBrowserZone(os);

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
    EXPECT_EQ(os.calls(), expected);

    EXPECT_EQ(os.ValueCount(kZone), point.zoneValuesKept);
    for (std::size_t i = 0; i < point.zoneValuesKept; ++i) {
        EXPECT_TRUE(IsDword(os.Value(kZone, kSettings[i]), 0));
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

// ---- the browser frame windows ----

TEST(CloseBrowserWindows, ClosesTopLevelFramesFromTheTopAndNothingElse) {
    FakePlatform os;
    const WindowHandle first = os.AddWindow(L"IEFrame");
    const WindowHandle other = os.AddWindow(L"Notepad");
    os.AddWindow(L"IEFrame", other); // a child of that class is no browser frame
    const WindowHandle second = os.AddWindow(L"IEFrame");
    const WindowHandle third = os.AddWindow(L"IEFrame");

    ConfigureBrowserZone(os);

    Calls tail(os.calls().end() - 8, os.calls().end());
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
    for (std::size_t i = 0; i <= kMaxBrowserWindows; ++i) {
        os.AddWindow(L"IEFrame");
    }
    CloseBrowserWindows(os);
    EXPECT_EQ(os.posted().size(), kMaxBrowserWindows);
}

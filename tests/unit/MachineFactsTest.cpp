#include "actions/readers/MachineFacts.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <string>

using namespace tovalset;
using tovalset::fake::FakePlatform;

namespace {

const std::wstring kWindows = L"HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::wstring kBrowser = L"HKLM\\SOFTWARE\\Microsoft\\Internet Explorer";

void SetText(FakePlatform& os, const std::wstring& key, const std::wstring& name, const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    os.SetValue(key, name, {REG_SZ, data});
}

} // namespace

TEST(OsProductName, NamesWindows11ByItsBuildAndLeavesEverythingElseAsRecorded) {
    struct Case {
        const char* productName;
        const char* build; // nullptr: no such value
        const wchar_t* shown;
    };
    for (const Case& c : {Case{"Windows 10 Pro", "22631", L"Windows 11 Pro"},
                          Case{"Windows 10 Enterprise", "22000", L"Windows 11 Enterprise"},
                          Case{"Windows 10 Pro", "19045", L"Windows 10 Pro"},
                          Case{"Windows 10 Pro", nullptr, L"Windows 10 Pro"},
                          Case{"Windows 10 Pro", "22631a", L"Windows 10 Pro"},
                          Case{"Windows Server 2022", "20348", L"Windows Server 2022"},
                          Case{"Microsoft Windows XP", "2600", L"Microsoft Windows XP"},
                          Case{"Windows 11 Home", "26100", L"Windows 11 Home"}}) {
        SCOPED_TRACE(std::string(c.productName) + ", build " + (c.build != nullptr ? c.build : "(none)"));
        FakePlatform os;
        SetText(os, kWindows, L"ProductName", c.productName);
        if (c.build != nullptr) {
            SetText(os, kWindows, L"CurrentBuildNumber", c.build);
        }
        EXPECT_EQ(OsProductName(os), c.shown);
    }
}

TEST(OsProductName, IsEmptyWithoutAProductName) {
    FakePlatform os;
    SetText(os, kWindows, L"CurrentBuildNumber", "22631");
    EXPECT_EQ(OsProductName(os), L"");
}

TEST(BrowserVersion, PrefersTheServiceVersionWhenItIsThere) {
    struct Case {
        const char* svcVersion; // nullptr: no such value
        const char* version;
        const wchar_t* shown;
    };
    for (const Case& c : {Case{"11.0.22621.0", "9.11.22621.0", L"11.0.22621.0"},
                          Case{nullptr, "8.0.6001.18702", L"8.0.6001.18702"},
                          Case{"", "9.10.9200.16384", L"9.10.9200.16384"}, Case{nullptr, nullptr, L""}}) {
        SCOPED_TRACE(std::string("svcVersion ") + (c.svcVersion != nullptr ? c.svcVersion : "(none)") +
                     ", Version " + (c.version != nullptr ? c.version : "(none)"));
        FakePlatform os;
        if (c.svcVersion != nullptr) {
            SetText(os, kBrowser, L"svcVersion", c.svcVersion);
        }
        if (c.version != nullptr) {
            SetText(os, kBrowser, L"Version", c.version);
        }
        EXPECT_EQ(BrowserVersion(os), c.shown);
    }
}

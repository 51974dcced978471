#include "actions/readers/RegistryReader.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;

namespace {

const std::wstring kPath = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::wstring kKey = L"HKLM\\" + kPath;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

struct ReadCase {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::wstring expected;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class ReadsAValue : public ::testing::TestWithParam<ReadCase> {};

} // namespace

TEST_P(ReadsAValue, AsTextOrEmpty) {
    const ReadCase& c = GetParam();
    FakePlatform os;
    os.SetValue(kKey, L"ProductName", {c.type, c.data});
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"ProductName"), c.expected);
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ReadsAValue,
    ::testing::Values(ReadCase{"TextWithItsNul", REG_SZ, Bytes(std::string("Windows XP\0", 11)),
                               L"Windows XP"},
                      ReadCase{"TextWithAnEmbeddedNul", REG_SZ, Bytes(std::string("Win\0dows\0", 9)), L"Win"},
                      ReadCase{"TextWithoutNul", REG_SZ, Bytes("Windows 7"), L"Windows 7"},
                      ReadCase{"TextOfLengthZero", REG_SZ, {}, L""},
                      ReadCase{"AnsiTextIsConverted", REG_SZ, {0x43, 0xE9, 0}, L"C\u00E9"},
                      ReadCase{"ExpandableTextIsNotRead", 2, Bytes(std::string("%SystemRoot%\0", 13)), L""},
                      ReadCase{"Dword", REG_DWORD, {1, 0, 0, 0}, L""}, ReadCase{"Binary", 3, {1, 2}, L""},
                      ReadCase{"MultiText", 7, Bytes(std::string("a\0b\0\0", 5)), L""},
                      ReadCase{"TypeNoneOfNoBytes", REG_NONE, {}, L"0"},
                      ReadCase{"TypeNoneOfOneByte", REG_NONE, {0xFF}, L"255"},
                      ReadCase{"TypeNoneOfTwoBytes", REG_NONE, {0x34, 0x12}, L"4660"},
                      ReadCase{"TypeNoneNegative", REG_NONE, {0xFE, 0xFF}, L"-2"},
                      ReadCase{"TypeNoneOfThreeBytes", REG_NONE, {1, 2, 3}, L""}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(GetString, ProbesThenReadsExactlyTheProbedSizeThenClosesTheKey) {
    FakePlatform os;
    os.SetValue(kKey, L"ProductName", {REG_SZ, Bytes(std::string("XP\0", 3))});
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"ProductName"), L"XP");
    EXPECT_EQ(os.calls(), (std::vector<std::string>{
                              "RegOpenKeyA(HKLM, \"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\")",
                              "RegQueryValueExA(#1, \"ProductName\", 0, null, 0)",
                              "RegQueryValueExA(#1, \"ProductName\", 0, buffer, 3)", "RegCloseKey(#1)"}));
}

TEST(GetString, TypeNoneReadsIntoTwoBytesAtMost) {
    FakePlatform os;
    os.SetValue(kKey, L"Small", {REG_NONE, {7}});
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"Small"), L"7");
    EXPECT_EQ(os.calls()[2], "RegQueryValueExA(#1, \"Small\", 0, buffer, 2)");
}

TEST(GetString, MissingValueMissingKeyAndFailedReadsGiveEmptyText) {
    FakePlatform os;
    os.SetValue(kKey, L"ProductName", {REG_SZ, Bytes(std::string("XP\0", 3))});
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"Version"), L"");
    EXPECT_EQ(GetString(os, kLocalMachine, L"SOFTWARE\\Absent", L"ProductName"), L"");
    // The missing key leaves handle 0, which is still closed.
    EXPECT_EQ(os.calls().back(), "RegCloseKey(#0)");
    EXPECT_EQ(RegQueryStringValue(os, KeyHandle::None, L"ProductName"), L"");

    // Three queries so far; the fourth is the next probe, the sixth the read after the probe after it.
    os.Fail("RegQueryValueExA", 4, fake::kAccessDenied);
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"ProductName"), L"");
    os.Fail("RegQueryValueExA", 6, fake::kAccessDenied);
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"ProductName"), L"");
    EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"ProductName"), L"XP");
    EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST(GetString, AValueThatGrowsBetweenProbeAndReadGivesEmptyText) {
    for (const std::uint32_t type : {REG_SZ, REG_NONE}) {
        FakePlatform os;
        os.SetValue(kKey, L"V",
                    {type, type == REG_SZ ? Bytes(std::string("ab\0", 3)) : std::vector<std::uint8_t>{1}});
        int queries = 0;
        os.beforeCall = [&](const std::string& operation) {
            if (operation == "RegQueryValueExA" && ++queries == 2) {
                os.SetValue(kKey, L"V", {type, Bytes(std::string("abcdefgh\0", 9))});
            }
        };
        EXPECT_EQ(GetString(os, kLocalMachine, kPath, L"V"), L"") << type;
    }
}

TEST(GetString, HandsTheCallersRootAndTextsToTheRegistryExactly) {
    // The other root than every read above, and names in letters beyond ASCII.
    FakePlatform os;
    const std::wstring path = L"Software\\\u0645\u0627";
    const std::wstring value = L"\u0646\u0627\u0645";
    os.SetValue(L"HKCU\\" + path, value, {REG_SZ, Bytes(std::string("ok\0", 3))});
    EXPECT_EQ(GetString(os, kCurrentUser, path, value), L"ok");
    EXPECT_EQ(os.calls(),
              (std::vector<std::string>{"RegOpenKeyA(HKCU, \"Software\\\\x{645}\\x{627}\")",
                                        "RegQueryValueExA(#1, \"\\x{646}\\x{627}\\x{645}\", 0, null, 0)",
                                        "RegQueryValueExA(#1, \"\\x{646}\\x{627}\\x{645}\", 0, buffer, 3)",
                                        "RegCloseKey(#1)"}));
}

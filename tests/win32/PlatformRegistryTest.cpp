// The registry operations on Wine's real registry, under a scratch key of the current user.
#include <windows.h>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tovalset;
using tovalset::win32::FromAnsi;
using tovalset::win32::ToAnsi;

namespace {

// What every out-parameter holds before a call: a call that leaves one as it was cannot pass for one that
// wrote a plausible value into it.
constexpr std::uint32_t kPoison = 0xdeadbeef;
constexpr KeyHandle kPoisonedKey{kPoison};

const std::wstring kScratch = L"Software\\TovalSetTest";

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(Registry, CreateWriteQueryAndCloseRoundTrip) {
    test::ScratchKey scratch(ToAnsi(kScratch));
    win32::Win32Platform os;

    KeyHandle key = kPoisonedKey;
    ASSERT_EQ(os.RegCreateKeyA(kCurrentUser, kScratch + L"\\Inner", key), 0);
    ASSERT_NE(key, kPoisonedKey);
    ASSERT_NE(key, KeyHandle::None);
    const std::vector<std::uint8_t> text = Bytes(std::string("Windows XP\0", 11));
    EXPECT_EQ(os.RegSetValueExA(key, L"ProductName", 0, REG_SZ, text.data(), 11), 0);
    const std::uint8_t word[4] = {2, 0, 0, 0};
    EXPECT_EQ(os.RegSetValueExA(key, L"*", 0, REG_DWORD, word, 4), 0);
    EXPECT_EQ(os.RegCloseKey(key), 0);

    // Opened again: the probe reports type and size without a buffer, the read fills exactly that.
    KeyHandle opened = kPoisonedKey;
    ASSERT_EQ(os.RegOpenKeyA(kCurrentUser, kScratch + L"\\Inner", opened), 0);
    ASSERT_NE(opened, kPoisonedKey);
    std::uint32_t type = kPoison;
    std::uint32_t size = kPoison;
    EXPECT_EQ(os.RegQueryValueExA(opened, L"ProductName", 0, type, nullptr, size), 0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 11u);
    std::vector<std::uint8_t> buffer(size);
    type = kPoison;
    EXPECT_EQ(os.RegQueryValueExA(opened, L"ProductName", 0, type, buffer.data(), size), 0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(buffer, text);

    // A buffer too small is refused with the size it needs.
    std::uint32_t small = 4;
    std::uint8_t tiny[4] = {};
    EXPECT_EQ(os.RegQueryValueExA(opened, L"ProductName", 0, type, tiny, small), ERROR_MORE_DATA);
    EXPECT_EQ(small, 11u);

    size = 4;
    type = kPoison;
    std::uint8_t read[4] = {0xde, 0xad, 0xbe, 0xef};
    EXPECT_EQ(os.RegQueryValueExA(opened, L"*", 0, type, read, size), 0);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(read, read + 4), (std::vector<std::uint8_t>{2, 0, 0, 0}));

    size = 0;
    EXPECT_EQ(os.RegQueryValueExA(opened, L"Missing", 0, type, nullptr, size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(os.RegCloseKey(opened), 0);
}

TEST(Registry, FailuresComeBackAsStatusesAndLeaveTheHandleAlone) {
    test::ScratchKey scratch(ToAnsi(kScratch));
    win32::Win32Platform os;

    KeyHandle key = kPoisonedKey;
    EXPECT_EQ(os.RegOpenKeyA(kCurrentUser, kScratch + L"\\Absent", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, kPoisonedKey);
    EXPECT_NE(os.RegCreateKeyA(KeyHandle::None, kScratch, key), 0);
    EXPECT_EQ(key, kPoisonedKey);

    std::uint32_t type = kPoison;
    std::uint32_t size = kPoison;
    EXPECT_NE(os.RegQueryValueExA(KeyHandle::None, L"Version", 0, type, nullptr, size), 0);
    EXPECT_NE(os.RegCloseKey(KeyHandle::None), 0);
}

TEST(Registry, WritesReplaceAValueOfAnotherType) {
    test::ScratchKey scratch(ToAnsi(kScratch));
    win32::Win32Platform os;
    KeyHandle key = kPoisonedKey;
    ASSERT_EQ(os.RegCreateKeyA(kCurrentUser, kScratch, key), 0);
    ASSERT_NE(key, kPoisonedKey);
    const std::vector<std::uint8_t> text = Bytes(std::string("3\0", 2));
    ASSERT_EQ(os.RegSetValueExA(key, L"1400", 0, REG_SZ, text.data(), 2), 0);
    const std::uint8_t zero[4] = {};
    ASSERT_EQ(os.RegSetValueExA(key, L"1400", 0, REG_DWORD, zero, 4), 0);
    std::uint32_t type = kPoison;
    std::uint32_t size = kPoison;
    EXPECT_EQ(os.RegQueryValueExA(key, L"1400", 0, type, nullptr, size), 0);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    os.RegCloseKey(key);
}

// Run with the Persian locale: the ANSI code page is 1256.
TEST(AnsiCodePage, PersianTextCrossesTheSeamThroughCodePage1256) {
    ASSERT_EQ(GetACP(), 1256u) << "run this test under LC_ALL=fa_IR.UTF-8";
    const std::wstring salam = L"\u0633\u0644\u0627\u0645"; // "salam" in Persian script
    EXPECT_EQ(ToAnsi(salam), "\xD3\xE1\xC7\xE3");
    EXPECT_EQ(FromAnsi(std::string("\xD3\xE1\xC7\xE3")), salam);

    // A key and a value named in Persian through the "A" calls read back, through the "W" calls, as the
    // same Persian text.
    test::ScratchKey scratch(ToAnsi(kScratch));
    win32::Win32Platform os;
    const std::wstring keyName = L"\u06A9\u062F";         // "code", in letters that code page 1256 has
    const std::wstring valueName = L"\u0646\u0627\u0645"; // "name"
    KeyHandle key = kPoisonedKey;
    ASSERT_EQ(os.RegCreateKeyA(kCurrentUser, kScratch + L"\\" + keyName, key), 0);
    ASSERT_NE(key, kPoisonedKey);
    const std::string data = ToAnsi(salam) + '\0';
    ASSERT_EQ(os.RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(data.data()),
                                static_cast<std::uint32_t>(data.size())),
              0);
    os.RegCloseKey(key);

    HKEY wide = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (kScratch + L"\\" + keyName).c_str(), 0, KEY_READ, &wide), 0);
    const win32::UniqueRegKey owner(wide);
    wchar_t read[64] = {};
    DWORD size = sizeof read;
    DWORD type = kPoison;
    ASSERT_EQ(RegQueryValueExW(wide, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(read), &size),
              0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(read), salam);
}

// What the undo keeps and puts back: a value read through the wide calls comes back with its type and
// every byte, whatever the code page; a delete takes one value, and a key only while it is empty.
TEST(Registry, AValueKeptIsWrittenBackExactlyAndDeletesTakeOnlyWhatIsNamed) {
    test::ScratchKey scratch(ToAnsi(kScratch));
    win32::Win32Platform os;
    const std::wstring inner = kScratch + L"\\Inner";
    // Text that no single code page holds, an odd-sized binary and an empty value.
    const std::wstring persian = L"\u0633\u0644\u0627\u0645 \U0001D11E";
    RegData text{REG_SZ, {}};
    for (const wchar_t c : persian + L'\0') {
        text.bytes.push_back(static_cast<std::uint8_t>(c));
        text.bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    const RegData binary{REG_BINARY, {1, 2, 3}};
    const RegData empty{REG_NONE, {}};
    for (const auto& [name, data] : {std::pair{L"text", text}, {L"binary", binary}, {L"empty", empty}}) {
        ASSERT_EQ(os.WriteRegValue(kCurrentUser, inner, name, data), 0);
        const RegRead read = os.ReadRegValue(kCurrentUser, inner, name);
        EXPECT_EQ(read.status, 0);
        EXPECT_TRUE(read.keyFound);
        EXPECT_EQ(read.data, data);
    }
    const RegRead missing = os.ReadRegValue(kCurrentUser, inner, L"missing");
    EXPECT_EQ(missing.status, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(missing.keyFound);
    const RegRead noKey = os.ReadRegValue(kCurrentUser, kScratch + L"\\Absent", L"text");
    EXPECT_EQ(noKey.status, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(noKey.keyFound);

    // A key that holds values or a subkey stays; emptied, it goes, and its parent stays.
    EXPECT_EQ(os.DeleteEmptyRegKey(kCurrentUser, inner), ERROR_DIR_NOT_EMPTY);
    for (const wchar_t* name : {L"text", L"binary", L"empty"}) {
        EXPECT_EQ(os.DeleteRegValue(kCurrentUser, inner, name), 0);
    }
    EXPECT_EQ(os.DeleteRegValue(kCurrentUser, inner, L"text"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(os.DeleteRegValue(kCurrentUser, kScratch + L"\\Absent", L"text"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(os.WriteRegValue(kCurrentUser, inner + L"\\Below", L"x", binary), 0);
    EXPECT_EQ(os.DeleteEmptyRegKey(kCurrentUser, inner), ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(os.DeleteRegValue(kCurrentUser, inner + L"\\Below", L"x"), 0);
    EXPECT_EQ(os.DeleteEmptyRegKey(kCurrentUser, inner + L"\\Below"), 0);
    EXPECT_EQ(os.DeleteEmptyRegKey(kCurrentUser, inner), 0);
    EXPECT_FALSE(os.ReadRegValue(kCurrentUser, inner, L"x").keyFound);
    EXPECT_EQ(os.DeleteEmptyRegKey(kCurrentUser, inner), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(os.DeleteEmptyRegKey(kCurrentUser, L""), ERROR_INVALID_PARAMETER);
    KeyHandle parent = kPoisonedKey;
    ASSERT_EQ(os.RegOpenKeyA(kCurrentUser, kScratch, parent), 0);
    os.RegCloseKey(parent);
}

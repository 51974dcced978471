// The registry value reader on Wine's real registry: values written with RegSetValueExA of every kind.
#include <windows.h>

#include "actions/readers/RegistryReader.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tovalset;

namespace {

const char* const kScratch = "Software\\TovalSetReaderTest";

void Write(const char* name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kScratch, &key), ERROR_SUCCESS);
    const win32::UniqueRegKey owner(key);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

std::wstring Read(const std::wstring& name) {
    win32::Win32Platform os;
    return GetString(os, kCurrentUser, win32::FromAnsi(kScratch), name);
}

} // namespace

TEST(Reader, ReadsEveryKindOfValueAsWindowsStoresIt) {
    test::ScratchKey scratch(kScratch);
    Write("WithNul", REG_SZ, std::string("Windows XP\0", 11));
    Write("WithoutNul", REG_SZ, "Windows 7");
    Write("Embedded", REG_SZ, std::string("Win\0dows\0", 9));
    Write("Empty", REG_SZ, "");
    Write("Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13));
    Write("Dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    Write("Binary", REG_BINARY, "\x01\x02");
    Write("Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    Write("None2", REG_NONE, "\xFE\xFF");
    Write("None1", REG_NONE, "\xC8");
    Write("None0", REG_NONE, "");
    Write("None3", REG_NONE, "\x01\x02\x03");

    EXPECT_EQ(Read(L"WithNul"), L"Windows XP");
    EXPECT_EQ(Read(L"WithoutNul"), L"Windows 7");
    EXPECT_EQ(Read(L"Embedded"), L"Win");
    EXPECT_EQ(Read(L"Empty"), L"");
    EXPECT_EQ(Read(L"Expand"), L"");
    EXPECT_EQ(Read(L"Dword"), L"");
    EXPECT_EQ(Read(L"Binary"), L"");
    EXPECT_EQ(Read(L"Multi"), L"");
    EXPECT_EQ(Read(L"None2"), L"-2");
    EXPECT_EQ(Read(L"None1"), L"200");
    EXPECT_EQ(Read(L"None0"), L"0");
    EXPECT_EQ(Read(L"None3"), L"");
    EXPECT_EQ(Read(L"Missing"), L"");

    win32::Win32Platform os;
    EXPECT_EQ(GetString(os, kCurrentUser, L"Software\\TovalSetAbsent", L"WithNul"), L"");
}

// Run with the Persian locale: the ANSI code page is 1256.
TEST(AnsiCodePage, TheReaderConvertsTextFromCodePage1256) {
    ASSERT_EQ(GetACP(), 1256u);
    test::ScratchKey scratch(kScratch);
    Write("Persian", REG_SZ, std::string("\xD3\xE1\xC7\xE3\0", 5)); // "salam" in code page 1256
    EXPECT_EQ(Read(L"Persian"), L"\u0633\u0644\u0627\u0645");
}

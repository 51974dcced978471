// The stand-in certificate manager: what it accepts, what it refuses and with which exit code, and what it
// puts into the current user's store.
#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"
#include "support/certmgr/CertHandles.h"
#include "tests/support/CertStore.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tovalset;

namespace {

std::string DemoFolder() {
    return test::FolderOfThisExe() + "\\..\\..\\bin\\All";
}

class CertmgrStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA("All", nullptr);
        for (const char* file : {"certmgr.exe", "DigitalSignOld.cer", "IRIROOTCA.crt"}) {
            ASSERT_TRUE(
                CopyFileA((DemoFolder() + "\\" + file).c_str(), (std::string("All\\") + file).c_str(), FALSE))
                << file;
        }
    }
    void TearDown() override { SetEnvironmentVariableA("TOVALSET_CERTMGR_MODE", nullptr); }
    // The tool run with the wait's bound (a native machine's milliseconds, stretched here).
    std::uint32_t Run(const std::wstring& arguments, std::uint32_t boundMs = 20000) {
        const ProgramOutcome outcome =
            os_.StartProgramAndWait(L"All\\certmgr" + arguments, SW_HIDE, test::Bound(boundMs));
        EXPECT_TRUE(outcome.finished);
        return outcome.exitCode;
    }
    test::ScratchFolder folder_;
    win32::Win32Platform os_;
};

} // namespace

TEST_F(CertmgrStandIn, AddsDerAndPemCertificatesToTheNamedStore) {
    EXPECT_EQ(Run(L" /add /c  All\\DigitalSignOld.cer /s  TovalSetTest"), 0u);
    EXPECT_EQ(Run(L" /add /c  All\\IRIROOTCA.crt /s  TovalSetTest"), 0u);
    EXPECT_TRUE(test::InStore("TovalSetTest", test::Thumbprint("All\\DigitalSignOld.cer")));
    EXPECT_TRUE(test::InStore("TovalSetTest", test::Thumbprint("All\\IRIROOTCA.crt")));
    // Again: the copy already there is replaced, not refused.
    EXPECT_EQ(Run(L" /add /c  All\\IRIROOTCA.crt /s  TovalSetTest"), 0u);
}

TEST_F(CertmgrStandIn, RefusesEveryOtherCommandShapeWithExitCode1) {
    for (const wchar_t* arguments :
         {L"", L" /add /c All\\IRIROOTCA.crt /s root", L" /add /c  All\\IRIROOTCA.crt /s  ",
          L" /add /c   /s  root", L" /del /c  All\\IRIROOTCA.crt /s  root", L" /add /c  All\\IRIROOTCA.crt",
          L" /ADD /c  All\\IRIROOTCA.crt /s  root", L" /add /c  All\\IRIROOTCA.crt /s  root extra",
          L" /add /c  All\\IRIROOTCA.crt /r  root"}) {
        EXPECT_EQ(Run(arguments), 1u) << "certmgr" << std::string(arguments, arguments + wcslen(arguments));
    }
}

TEST_F(CertmgrStandIn, TellsAMissingFileFromDataThatIsNoCertificate) {
    EXPECT_EQ(Run(L" /add /c  All\\Missing.cer /s  TovalSetTest"), 2u);
    ASSERT_TRUE(CopyFileA("All\\certmgr.exe", "All\\NotACertificate.cer", FALSE));
    EXPECT_EQ(Run(L" /add /c  All\\NotACertificate.cer /s  TovalSetTest"), 3u);
    const std::string pem =
        "-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydGlmaWNhdGU=\n-----END CERTIFICATE-----\n";
    {
        const win32::UniqueHandle file(
            CreateFileA("All\\Broken.crt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), pem.data(), static_cast<DWORD>(pem.size()), &written, nullptr);
    }
    EXPECT_EQ(Run(L" /add /c  All\\Broken.crt /s  TovalSetTest"), 3u);
}

namespace {

// Answers the stand-in's question from a thread of its own, as a user who takes longer than the wait's
// bound would: only once the tick count has passed `answerAt`. Records whether the question came up, and
// whether it was seen (a visible window) when answered.
struct QuestionAnswerer {
    DWORD answerAt = 0;
    int answer = 0;
    bool came = false;
    bool seen = false;
    static DWORD WINAPI Run(void* self) {
        auto* const me = static_cast<QuestionAnswerer*>(self);
        HWND box = nullptr;
        me->came = test::WaitUntil(
            [&] { return (box = FindWindowA("#32770", "Security Warning (certmgr stand-in)")) != nullptr; },
            10000);
        if (!me->came) {
            return 1;
        }
        // Not a wait for anything to happen: the slow user this test is about.
        const auto left = static_cast<LONG>(me->answerAt - GetTickCount());
        if (left > 0) {
            Sleep(static_cast<DWORD>(left));
        }
        me->seen = IsWindowVisible(box) != FALSE;
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(me->answer), 0);
        return 0;
    }
};

} // namespace

TEST_F(CertmgrStandIn, AQuestionTheToolAsksIsSeenAndWaitedForPastTheBound) {
    SetEnvironmentVariableA("TOVALSET_CERTMGR_MODE", "ask");
    for (const int answer : {IDYES, IDNO}) {
        // The bound is 2 s, time enough for the tool to start and ask; the question stays up until a
        // second more than that has passed since the start.
        const DWORD boundMs = 2000;
        QuestionAnswerer answerer{GetTickCount() + test::Bound(boundMs + 1000), answer};
        const win32::UniqueHandle thread(
            CreateThread(nullptr, 0, &QuestionAnswerer::Run, &answerer, 0, nullptr));
        const char* const store = answer == IDYES ? "TovalSetAskYes" : "TovalSetAskNo";
        const std::uint32_t exitCode =
            Run(L" /add /c  All\\IRIROOTCA.crt /s  " + win32::FromAnsi(store), boundMs);
        ASSERT_EQ(WaitForSingleObject(thread.get(), test::Bound(20000)), WAIT_OBJECT_0);
        EXPECT_TRUE(answerer.came) << "the question never came up";
        EXPECT_TRUE(answerer.seen) << "the question was hidden";
        EXPECT_EQ(exitCode, answer == IDYES ? 0u : 5u);
        EXPECT_EQ(test::InStore(store, test::Thumbprint("All\\IRIROOTCA.crt")), answer == IDYES);
    }
}

namespace {

std::wstring HexOf(const std::vector<BYTE>& thumbprint, bool lower) {
    std::wstring hex;
    for (const BYTE byte : thumbprint) {
        wchar_t pair[3] = {};
        swprintf(pair, 3, lower ? L"%02x" : L"%02X", byte);
        hex += pair;
    }
    return hex;
}

} // namespace

// The undo's delete: by thumbprint, that certificate only, and gone from the store when the tool says so
// (Wine writes a delete only on a commit); one not there is told apart; asked, a No keeps it.
TEST_F(CertmgrStandIn, DeletesByThumbprintThatCertificateOnly) {
    const std::vector<BYTE> old = test::Thumbprint("All\\DigitalSignOld.cer");
    const std::vector<BYTE> root = test::Thumbprint("All\\IRIROOTCA.crt");
    ASSERT_EQ(Run(L" /add /c  All\\DigitalSignOld.cer /s  TovalSetDel"), 0u);
    for (const bool lower : {false, true}) {
        ASSERT_EQ(Run(L" /add /c  All\\IRIROOTCA.crt /s  TovalSetDel"), 0u);
        SetEnvironmentVariableA("TOVALSET_CERTMGR_MODE", "ask");
        QuestionAnswerer answerer{GetTickCount(), IDNO};
        const win32::UniqueHandle thread(
            CreateThread(nullptr, 0, &QuestionAnswerer::Run, &answerer, 0, nullptr));
        EXPECT_EQ(Run(L" /del /c /sha1 " + HexOf(root, lower) + L" /s TovalSetDel"), 5u);
        ASSERT_EQ(WaitForSingleObject(thread.get(), test::Bound(20000)), WAIT_OBJECT_0);
        EXPECT_TRUE(answerer.came) << "the question never came up";
        EXPECT_TRUE(test::InStore("TovalSetDel", root));
        SetEnvironmentVariableA("TOVALSET_CERTMGR_MODE", nullptr);
        EXPECT_EQ(Run(L" /del /c /sha1 " + HexOf(root, lower) + L" /s TovalSetDel"), 0u);
        EXPECT_FALSE(test::InStore("TovalSetDel", root));
        EXPECT_EQ(Run(L" /del /c /sha1 " + HexOf(root, lower) + L" /s TovalSetDel"), 6u);
        EXPECT_TRUE(test::InStore("TovalSetDel", old));
    }
    for (const std::wstring& arguments :
         {L" /del /c /sha1 " + HexOf(old, false).substr(2) + L" /s TovalSetDel",
          L" /del /c /sha1 " + HexOf(old, false) + L"0 /s TovalSetDel",
          L" /del /c /sha1 " + HexOf(old, false) + L" /s ", L" /del /c /sha1 " + HexOf(old, false)}) {
        EXPECT_EQ(Run(arguments), 1u) << "certmgr" << std::string(arguments.begin(), arguments.end());
    }
    EXPECT_TRUE(test::InStore("TovalSetDel", old));
}

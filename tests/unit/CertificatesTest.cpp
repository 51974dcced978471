#include "actions/buttons/Certificates.h"
#include "actions/buttons/RunAction.h"
#include "platform/CertificateFile.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::FakeReportFacts;
using Calls = std::vector<std::string>;

namespace {

// Each certificate the scripts import: its file, and the certificate manager's command line for it, written
// out with the two double blanks the original script had.
struct Certificate {
    const char* file;
    const char* command;
};
const Certificate kDigitalSignOld{"DigitalSignOld.cer",
                                  R"(All\certmgr /add /c  All\DigitalSignOld.cer /s  root)"};
const Certificate kCommerceOld{"IRIranCommerceIntermediateCAOld.cer",
                               R"(All\certmgr /add /c  All\IRIranCommerceIntermediateCAOld.cer /s  root)"};
const Certificate kCommerce{"IRIranCommerceIntermediateCA.cer",
                            R"(All\certmgr /add /c  All\IRIranCommerceIntermediateCA.cer /s  root)"};
const Certificate kIriRoot{"IRIROOTCA.crt", R"(All\certmgr /add /c  All\IRIROOTCA.crt /s  root)"};
const Certificate kSilverNew{"GICADigitalSign-Silver(L2)New.cer",
                             R"(All\certmgr /add /c  All\GICADigitalSign-Silver(L2)New.cer /s  root)"};
const Certificate kGovernmentalNew{
    "GovernmentalGeneralIntermediateCANew.cer",
    R"(All\certmgr /add /c  All\GovernmentalGeneralIntermediateCANew.cer /s  root)"};
const Certificate kRootNew{"IslamicRepublicofIRANRootCANew.cer",
                           R"(All\certmgr /add /c  All\IslamicRepublicofIRANRootCANew.cer /s  root)"};

// The calls as the fake records them.
std::string Run(const Certificate& c) {
    return "StartProgramAndWait(\"" + std::string(c.command) + "\", 0, 120000)";
}
std::string LookUp(const Certificate& c) {
    return "LookUpRootCertificate(\"All\\" + std::string(c.file) + "\")";
}
std::string Message(const std::string& text) {
    return "ShowMessage(\"" + text + "\")";
}
// The success messages' boxes.
const Calls kOk = {Message("The Import Was Successfull ")};
const Calls kRenewalOk = {Message("GovernmentalGeneralIntermediateCANew Is OK!")};
// Where a failed import's box comes; each test puts in the text its failure gives.
const std::string kFailure = "the failure's box";

// An import that took effect: the tool ran, exited with 0, and the certificate was found in the root store.
Calls Imported(const Certificate& c) {
    return {Run(c), LookUp(c)};
}
// One whose tool failed: its run, then the box that says so.
Calls Failed(const Certificate& c) {
    return {Run(c), kFailure};
}
Calls Join(std::initializer_list<Calls> parts) {
    Calls calls;
    for (const Calls& part : parts) {
        calls.insert(calls.end(), part.begin(), part.end());
    }
    return calls;
}

// Each script as it runs when every import takes effect. The root script's fourth import repeats its second.
struct Script {
    const char* name;
    Action action;
    Calls run;
};
const Script kRoot{"Root", &InstallRootCertificates,
                   Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Imported(kCommerce),
                         kOk, Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
                         Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})};
// One message, for the first two imports together.
const Script kNew{"New", &InstallNewCertificates,
                  Join({Imported(kSilverNew), Imported(kGovernmentalNew), kRenewalOk, Imported(kRootNew)})};

// Each import of both scripts failing, and the whole run it gives: the failed import's own success message
// goes, the others stay. In the renewal script the one message speaks for the first two imports.
struct StepCase {
    const Script* script;
    int step; // 1-based: the tool run that fails
    const Certificate* certificate;
    Calls run;
};
const StepCase kSteps[] = {
    {&kRoot, 1, &kDigitalSignOld,
     Join({Failed(kDigitalSignOld), Imported(kCommerceOld), kOk, Imported(kCommerce), kOk,
           Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
           Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})},
    {&kRoot, 2, &kCommerceOld,
     Join({Imported(kDigitalSignOld), kOk, Failed(kCommerceOld), Imported(kCommerce), kOk,
           Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
           Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})},
    {&kRoot, 3, &kCommerce,
     Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Failed(kCommerce),
           Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
           Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})},
    {&kRoot, 4, &kCommerceOld,
     Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Imported(kCommerce), kOk,
           Failed(kCommerceOld), Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
           Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})},
    {&kRoot, 5, &kIriRoot,
     Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Imported(kCommerce), kOk,
           Imported(kCommerceOld), kOk, Failed(kIriRoot), Imported(kSilverNew), kOk,
           Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})},
    {&kRoot, 6, &kSilverNew,
     Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Imported(kCommerce), kOk,
           Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Failed(kSilverNew),
           Imported(kGovernmentalNew), kOk, Imported(kRootNew), kOk})},
    {&kRoot, 7, &kGovernmentalNew,
     Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Imported(kCommerce), kOk,
           Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
           Failed(kGovernmentalNew), Imported(kRootNew), kOk})},
    {&kRoot, 8, &kRootNew,
     Join({Imported(kDigitalSignOld), kOk, Imported(kCommerceOld), kOk, Imported(kCommerce), kOk,
           Imported(kCommerceOld), kOk, Imported(kIriRoot), kOk, Imported(kSilverNew), kOk,
           Imported(kGovernmentalNew), kOk, Failed(kRootNew)})},
    {&kNew, 1, &kSilverNew, Join({Failed(kSilverNew), Imported(kGovernmentalNew), Imported(kRootNew)})},
    {&kNew, 2, &kGovernmentalNew, Join({Imported(kSilverNew), Failed(kGovernmentalNew), Imported(kRootNew)})},
    {&kNew, 3, &kRootNew,
     Join({Imported(kSilverNew), Imported(kGovernmentalNew), kRenewalOk, Failed(kRootNew)})},
};

void PrintTo(const StepCase& c, std::ostream* out) {
    *out << c.script->name << " step " << c.step;
}

// The run with the failure's box showing `text`.
Calls WithFailure(const Calls& run, const std::string& text) {
    Calls calls = run;
    std::replace(calls.begin(), calls.end(), kFailure, Message(text));
    return calls;
}

// Where the n-th (1-based) call of this kind is in a run; the run's end when there is none.
std::size_t Nth(const Calls& run, const std::string& kind, int n) {
    for (std::size_t i = 0; i < run.size(); ++i) {
        if (run[i].rfind(kind + "(", 0) == 0 && --n == 0) {
            return i;
        }
    }
    return run.size();
}

// A run up to and including the call at `last`.
Calls Through(const Calls& run, std::size_t last) {
    return Calls(run.begin(), run.begin() + static_cast<std::ptrdiff_t>(std::min(last + 1, run.size())));
}

// Only the boxes of a run, in order.
Calls Shown(const Calls& calls) {
    Calls shown;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(shown),
                 [](const std::string& call) { return call.rfind("ShowMessage(", 0) == 0; });
    return shown;
}

const std::wstring kProtectedRoots =
    L"HKLM\\SOFTWARE\\Policies\\Microsoft\\SystemCertificates\\Root\\ProtectedRoots";

} // namespace

TEST(InstallCertificates, RootScriptAlternatesEightImportsAndEightMessages) {
    FakePlatform os;
    FakeReportFacts facts;
    InstallRootCertificates(os, facts);
    EXPECT_EQ(os.callsBesidesTheRecord(), kRoot.run);
}

TEST(InstallCertificates, RenewalScriptShowsOneMessageBetweenTheSecondAndThirdImport) {
    FakePlatform os;
    FakeReportFacts facts;
    InstallNewCertificates(os, facts);
    EXPECT_EQ(os.callsBesidesTheRecord(), kNew.run);
}

TEST(InstallCertificates, CommandLinesKeepTheirDoubleBlanks) {
    EXPECT_EQ(CertmgrCommand(L"IRIROOTCA.crt"), L"All\\certmgr /add /c  All\\IRIROOTCA.crt /s  root");
}

class EachStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(EachStep, AFailedImportIsReportedAndTheScriptGoesOn) {
    const StepCase& c = GetParam();
    for (const std::uint32_t exitCode : {1u, 3u, 0xC0000005u}) {
        SCOPED_TRACE("exit code " + std::to_string(exitCode));
        FakePlatform os;
        FakeReportFacts facts;
        os.SetOutcome(c.step, {true, exitCode});
        c.script->action(os, facts);
        EXPECT_EQ(os.callsBesidesTheRecord(),
                  WithFailure(c.run, "Import failed: All\\" + std::string(c.certificate->file) +
                                         " (certmgr exit code " + std::to_string(exitCode) + ")."));
    }
}

TEST_P(EachStep, AToolStoppedAtTheBoundIsReportedAndTheScriptGoesOn) {
    const StepCase& c = GetParam();
    FakePlatform os;
    FakeReportFacts facts;
    os.SetOutcome(c.step, {false, 0});
    c.script->action(os, facts);
    EXPECT_EQ(os.callsBesidesTheRecord(),
              WithFailure(c.run, "Import failed: All\\" + std::string(c.certificate->file) +
                                     " (certmgr did not finish; it was stopped)."));
}

// After exit code 0, what the root store says of the certificate, under the machine policy that stops
// trust in the user's own roots or without it, and whether an Untrusted Certificates store holds it; ""
// where the import took effect.
struct TrustCase {
    const char* name;
    PlatformOps::RootStanding standing;
    const wchar_t* reason;
    std::optional<std::uint32_t> protectedRootsFlags;
    bool policyUnreadable; // the policy value is set but cannot be read
    std::string shown;     // after "All\<file> (certmgr reported success, but "
    PlatformOps::Distrust distrust = PlatformOps::Distrust::None;
};
using Distrust = PlatformOps::Distrust;
const std::string kUntrusted =
    ", so Windows will not trust it: take it out of there (certmgr.msc, Untrusted Certificates)).";
const std::string kComputersUntrusted =
    ", so Windows will not trust it: an administrator must take it out of there (certlm.msc from Windows 8 "
    "on, before that the Certificates snap-in in mmc for the computer account); one that group policy put "
    "there comes back unless the policy changes).";
using Standing = PlatformOps::RootStanding;
const std::string kPolicyRefuses = "the certificate is only in your root store, which a policy tells Windows "
                                   "not to trust: an administrator must add it to the computer's store).";
const TrustCase kTrustCases[] = {
    {"not in the store", Standing::NotInStore, L"", std::nullopt, false,
     "Import failed: ?the certificate is not in the trusted root store)."},
    {"no certificate in the file", Standing::NoCertificate, L"", std::nullopt, false,
     "Import failed: ?the file holds no certificate: put the support folder's files beside TovalSet)."},
    {"file unreadable", Standing::FileUnreadable, L"Access is denied.", std::nullopt, false,
     "Import not confirmed: ?the file cannot be read to check it). Access is denied."},
    {"store unreadable", Standing::StoreUnreadable, L"The handle is invalid.", std::nullopt, false,
     "Import not confirmed: ?the trusted root store cannot be read to check it). The handle is invalid."},
    {"user's part, no policy", Standing::UserPartOnly, L"", std::nullopt, false, ""},
    {"user's part, user roots distrusted", Standing::UserPartOnly, L"", 0x1, false,
     "Import failed: ?" + kPolicyRefuses},
    {"user's part, other protection flags", Standing::UserPartOnly, L"", 0x6, false, ""},
    {"user's part, policy unreadable", Standing::UserPartOnly, L"", 0x1, true, ""},
    {"machine's part, user roots distrusted", Standing::MachinePart, L"", 0x1, false, ""},
    {"machine's part, in the computer's Untrusted store", Standing::MachinePart, L"", std::nullopt, false,
     "Import failed: ?the certificate is in the computer's Untrusted Certificates store" +
         kComputersUntrusted,
     Distrust::ComputerStore},
    {"user's part, in the user's Untrusted store", Standing::UserPartOnly, L"", std::nullopt, false,
     "Import failed: ?the certificate is in your Untrusted Certificates store" + kUntrusted,
     Distrust::UserStore},
    {"not in the store, in the user's Untrusted store", Standing::NotInStore, L"", std::nullopt, false,
     "Import failed: ?the certificate is in your Untrusted Certificates store" + kUntrusted,
     Distrust::UserStore},
    {"machine's part, Untrusted stores unreadable", Standing::MachinePart, L"", std::nullopt, false, "",
     Distrust::Unknown},
};

TEST_P(EachStep, AnImportThatDidNotTakeEffectIsReportedAfterExitCodeZero) {
    const StepCase& c = GetParam();
    for (const TrustCase& trust : kTrustCases) {
        SCOPED_TRACE(trust.name);
        FakePlatform os;
        FakeReportFacts facts;
        os.SetRootLookup(c.step, {trust.standing, trust.reason, trust.distrust, L"Access is denied."});
        if (trust.protectedRootsFlags) {
            os.SetDword(kProtectedRoots, L"Flags", *trust.protectedRootsFlags);
        }
        if (trust.policyUnreadable) {
            os.Fail("RegQueryValueExA", 1, fake::kAccessDenied);
        }
        c.script->action(os, facts);
        std::string shown = trust.shown;
        if (!shown.empty()) {
            shown.replace(shown.find('?'), 1,
                          "All\\" + std::string(c.certificate->file) + " (certmgr reported success, but ");
        }
        EXPECT_EQ(Shown(os.callsBesidesTheRecord()),
                  Shown(shown.empty() ? c.script->run : WithFailure(c.run, shown)));
        EXPECT_EQ(os.OpenKeyCount(), 0u);
    }
}

TEST(InstallCertificates, ALookUpThatFailsIsReportedAsUnconfirmed) {
    FakePlatform os;
    FakeReportFacts facts;
    os.Fail("LookUpRootCertificate", 2, 5);
    InstallNewCertificates(os, facts);
    EXPECT_EQ(os.messages(), std::vector<std::wstring>{
                                 L"Import not confirmed: All\\GovernmentalGeneralIntermediateCANew.cer "
                                 L"(certmgr reported success, but the trusted root store "
                                 L"cannot be read to check it). Access is denied."});
}

TEST_P(EachStep, ClosingTheWindowEndsTheScriptAtItsNextStep) {
    const StepCase& c = GetParam();
    const Calls& run = c.script->run;
    const std::size_t wait = Nth(run, "StartProgramAndWait", c.step);
    ASSERT_LT(wait, run.size()) << "the run has no tool run " << c.step;
    // Asked to close during this step's wait: the wait ends, nothing after it.
    {
        SCOPED_TRACE("during the wait");
        FakePlatform os;
        FakeReportFacts facts;
        os.CloseDuring("StartProgramAndWait", c.step);
        RunAction(os, facts, c.script->action);
        EXPECT_EQ(os.callsBesidesTheRecord(), Through(run, wait));
        EXPECT_TRUE(os.errors().empty());
    }
    // Asked to close during the box that follows this step's import, where one does: the box is the last
    // thing the script does.
    const std::size_t box = wait + 2;
    if (box < run.size() && run[box].rfind("ShowMessage(", 0) == 0) {
        SCOPED_TRACE("during the box");
        FakePlatform os;
        FakeReportFacts facts;
        os.CloseDuring("ShowMessage", static_cast<int>(Shown(Through(run, box)).size()));
        RunAction(os, facts, c.script->action);
        EXPECT_EQ(os.callsBesidesTheRecord(), Through(run, box));
        EXPECT_TRUE(os.errors().empty());
    }
}

TEST_P(EachStep, AToolThatCannotStartEndsTheActionWithOneErrorBox) {
    const StepCase& c = GetParam();
    FakePlatform os;
    FakeReportFacts facts;
    os.Fail("StartProgramAndWait", c.step, 2);
    RunAction(os, facts, c.script->action);

    // Everything before the failed step as usual; of that step and after it, nothing but the error box.
    Calls expected = Through(c.script->run, Nth(c.script->run, "StartProgramAndWait", c.step));
    expected.push_back("ShowError(\"This program could not be started:\\x{a}" +
                       std::string(c.certificate->command) +
                       "\\x{a}\\x{a}The system cannot find the path specified.\")");
    EXPECT_EQ(os.callsBesidesTheRecord(), expected);
    EXPECT_EQ(os.errors().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothScripts, EachStep, ::testing::ValuesIn(kSteps),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                             return std::string(info.param.script->name) + "Step" +
                                    std::to_string(info.param.step);
                         });

TEST(RunAction, AnActionThatStartsNothingShowsNoErrorBox) {
    FakePlatform os;
    FakeReportFacts facts;
    RunAction(os, facts, &InstallNewCertificates);
    EXPECT_TRUE(os.errors().empty());
}

TEST(RunAction, ClosingDuringTheErrorBoxEndsTheActionQuietly) {
    FakePlatform os;
    FakeReportFacts facts;
    os.Fail("StartProgramAndWait", 1, 2);
    os.CloseDuring("ShowError", 1);
    RunAction(os, facts, &InstallRootCertificates);
    EXPECT_EQ(os.callsBesidesTheRecord().size(), 2u);
    EXPECT_TRUE(os.closing());
    // And a start or a box that comes after the close reaches nothing.
    EXPECT_THROW(os.ShowMessage(L"late"), ActionCancelled);
    EXPECT_EQ(os.callsBesidesTheRecord().size(), 2u);
}

// ---- the record of what TovalSet changed ----

namespace {

const std::wstring kRecord = L"HKCU\\Software\\TovalSet";

// Each certificate file of the support folder with bytes of its own, as the record reads them.
void SetCertificateFiles(FakeReportFacts& facts, const std::string& salt = "") {
    for (const std::wstring& file : CertificateFiles()) {
        const std::string bytes = fake::Narrow(file) + salt;
        facts.SetFile(L"All\\" + file, {bytes.begin(), bytes.end()});
    }
}
Thumbprint ThumbprintOf(const std::wstring& file, const std::string& salt = "") {
    const std::string bytes = fake::Narrow(file) + salt;
    return Sha1({bytes.begin(), bytes.end()});
}
} // namespace

// Written before the first import, once; a later run of either script, or a renewed file under the same
// name, only adds what the record does not hold; what the user's own part held before is recorded as such.
TEST(InstallCertificates, TheRecordIsWrittenBeforeTheFirstImportAndOnlyAddedTo) {
    FakePlatform os;
    FakeReportFacts facts;
    SetCertificateFiles(facts);
    const std::wstring before = L"IRIROOTCA.crt";
    os.userRoots.insert(ThumbprintOf(before));
    // The computer's copy does not count: the user's own part is what an undo removes from.
    os.computerRoots.insert(ThumbprintOf(L"DigitalSignOld.cer"));
    InstallRootCertificates(os, facts);

    const std::vector<std::wstring> files = CertificateFiles();
    std::vector<std::string> expected(files.size());
    std::transform(files.begin(), files.end(), expected.begin(), [&before](const std::wstring& file) {
        return fake::Hex(ThumbprintOf(file)) + (file == before ? " before " : " added ") + fake::Narrow(file);
    });
    EXPECT_EQ(os.Lines(kRecord, L"Certificates"), expected);
    const auto calls = os.calls();
    const auto lastWrite = std::find_if(calls.rbegin(), calls.rend(), [](const std::string& call) {
        return call.rfind("WriteRegValue(HKCU, \"Software\\TovalSet\"", 0) == 0;
    });
    const auto firstRun = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.rfind("StartProgramAndWait(", 0) == 0;
    });
    ASSERT_NE(lastWrite, calls.rend());
    EXPECT_LT(calls.rend() - lastWrite - 1, firstRun - calls.begin()) << "the record after an import";
    const fake::RegValue* made = os.Value(kRecord, L"Made");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->type, REG_SZ);

    // Later: the user's part now holds all of them, the clock has moved, one file was renewed.
    for (const std::wstring& file : CertificateFiles()) {
        os.userRoots.insert(ThumbprintOf(file));
    }
    const std::vector<std::uint8_t> firstMade = made->data;
    facts.localNow.day += 1;
    InstallNewCertificates(os, facts);
    InstallRootCertificates(os, facts);
    EXPECT_EQ(os.Lines(kRecord, L"Certificates"), expected);
    const std::string renewed = "IRIROOTCA.crt renewed";
    facts.SetFile(L"All\\IRIROOTCA.crt", {renewed.begin(), renewed.end()});
    InstallRootCertificates(os, facts);
    expected.push_back(fake::Hex(Sha1({renewed.begin(), renewed.end()})) + " added IRIROOTCA.crt");
    EXPECT_EQ(os.Lines(kRecord, L"Certificates"), expected);
    EXPECT_EQ(os.Value(kRecord, L"Made")->data, firstMade);
}

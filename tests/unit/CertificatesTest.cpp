#include "actions/Certificates.h"
#include "actions/RunAction.h"
#include "tests/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using Calls = std::vector<std::string>;

namespace {

std::string Start(const std::string& file) {
    return "StartProgramAndWait(\"All\\certmgr /add /c  All\\" + file + " /s  root\", 0, 120000)";
}
std::string Message(const std::string& text) {
    return "ShowMessage(\"" + text + "\")";
}
const std::string kOk = Message("The Import Was Successfull ");

// The scripts as the user sees them: each import, and the message after it when it succeeds ("" for none).
struct Step {
    std::string file;
    std::string okMessage;
};
const std::vector<Step> kRootScript = {
    {"DigitalSignOld.cer", kOk},
    {"IRIranCommerceIntermediateCAOld.cer", kOk},
    {"IRIranCommerceIntermediateCA.cer", kOk},
    {"IRIranCommerceIntermediateCAOld.cer", kOk},
    {"IRIROOTCA.crt", kOk},
    {"GICADigitalSign-Silver(L2)New.cer", kOk},
    {"GovernmentalGeneralIntermediateCANew.cer", kOk},
    {"IslamicRepublicofIRANRootCANew.cer", kOk},
};
const std::vector<Step> kNewScript = {
    {"GICADigitalSign-Silver(L2)New.cer", ""},
    {"GovernmentalGeneralIntermediateCANew.cer", Message("GovernmentalGeneralIntermediateCANew Is OK!")},
    {"IslamicRepublicofIRANRootCANew.cer", ""},
};

struct Script {
    const char* name;
    Action action;
    const std::vector<Step>* steps;
};
const Script kRoot{"Root", &InstallRootCertificates, &kRootScript};
const Script kNew{"New", &InstallNewCertificates, &kNewScript};

std::string Lookup(const std::string& file) {
    return "LookUpRootCertificate(\"All\\" + file + "\")";
}

// What a run does when step `changed` ends with `message` instead of taking effect ("" for no change); a
// step whose tool exited with 0 is looked up in the root store first. A success message is shown only when
// every import since the message before it took effect.
Calls Expected(const std::vector<Step>& steps, std::size_t changed = SIZE_MAX,
               const std::string& message = "", bool lookedUp = true) {
    Calls calls;
    bool allInEffect = true;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        calls.push_back(Start(steps[i].file));
        const bool failed = i == changed && !message.empty();
        if (!failed || lookedUp) {
            calls.push_back(Lookup(steps[i].file));
        }
        if (failed) {
            calls.push_back(message);
            allInEffect = false;
        }
        if (!steps[i].okMessage.empty()) {
            if (allInEffect) {
                calls.push_back(steps[i].okMessage);
            }
            allInEffect = true;
        }
    }
    return calls;
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
    InstallRootCertificates(os);
    Calls expected;
    for (const char* file :
         {"DigitalSignOld.cer", "IRIranCommerceIntermediateCAOld.cer", "IRIranCommerceIntermediateCA.cer",
          "IRIranCommerceIntermediateCAOld.cer", "IRIROOTCA.crt", "GICADigitalSign-Silver(L2)New.cer",
          "GovernmentalGeneralIntermediateCANew.cer", "IslamicRepublicofIRANRootCANew.cer"}) {
        expected.insert(expected.end(), {Start(file), Lookup(file), kOk});
    }
    EXPECT_EQ(os.calls(), expected);
}

TEST(InstallCertificates, RenewalScriptShowsOneMessageBetweenTheSecondAndThirdImport) {
    FakePlatform os;
    InstallNewCertificates(os);
    EXPECT_EQ(
        os.calls(),
        (Calls{Start("GICADigitalSign-Silver(L2)New.cer"), Lookup("GICADigitalSign-Silver(L2)New.cer"),
               Start("GovernmentalGeneralIntermediateCANew.cer"),
               Lookup("GovernmentalGeneralIntermediateCANew.cer"),
               Message("GovernmentalGeneralIntermediateCANew Is OK!"),
               Start("IslamicRepublicofIRANRootCANew.cer"), Lookup("IslamicRepublicofIRANRootCANew.cer")}));
}

TEST(InstallCertificates, CommandLinesKeepTheirDoubleBlanks) {
    EXPECT_EQ(CertmgrCommand(L"IRIROOTCA.crt"), L"All\\certmgr /add /c  All\\IRIROOTCA.crt /s  root");
}

// Every step of both scripts, failing in each of the three ways.
struct StepCase {
    const Script* script;
    std::size_t step;
};

std::vector<StepCase> EveryStep() {
    std::vector<StepCase> cases;
    for (const Script* script : {&kRoot, &kNew}) {
        for (std::size_t i = 0; i < script->steps->size(); ++i) {
            cases.push_back({script, i});
        }
    }
    return cases;
}

void PrintTo(const StepCase& c, std::ostream* out) {
    *out << c.script->name << " step " << c.step + 1;
}

class EachStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(EachStep, AFailedImportIsReportedAndTheScriptGoesOn) {
    const StepCase c = GetParam();
    const std::string file = (*c.script->steps)[c.step].file;
    for (const std::uint32_t exitCode : {1u, 3u, 0xC0000005u}) {
        FakePlatform os;
        os.SetOutcome(static_cast<int>(c.step) + 1, {true, exitCode});
        c.script->action(os);
        EXPECT_EQ(os.calls(), Expected(*c.script->steps, c.step,
                                       Message("Import failed: All\\" + file + " (certmgr exit code " +
                                               std::to_string(exitCode) + ")."),
                                       false));
    }
}

TEST_P(EachStep, AToolStoppedAtTheBoundIsReportedAndTheScriptGoesOn) {
    const StepCase c = GetParam();
    FakePlatform os;
    os.SetOutcome(static_cast<int>(c.step) + 1, {false, 0});
    c.script->action(os);
    EXPECT_EQ(os.calls(), Expected(*c.script->steps, c.step,
                                   Message("Import failed: All\\" + (*c.script->steps)[c.step].file +
                                           " (certmgr did not finish; it was stopped)."),
                                   false));
}

// After exit code 0, what the root store says of the certificate, under the machine policy that stops
// trust in the user's own roots or without it; "" where the import took effect.
struct TrustCase {
    const char* name;
    PlatformOps::RootStanding standing;
    const wchar_t* reason;
    std::optional<std::uint32_t> protectedRootsFlags;
    bool policyUnreadable; // the policy value is set but cannot be read
    std::string shown;     // after "All\<file> (certmgr reported success, but "
};
using Standing = PlatformOps::RootStanding;
const std::string kPolicyRefuses = "a policy on this computer lets Windows trust only the computer's root "
                                   "store, and the certificate is only in yours: an administrator must add "
                                   "it to the computer's store).";
const TrustCase kTrustCases[] = {
    {"not in the store", Standing::NotInStore, L"", std::nullopt, false,
     "Import failed: ?the certificate is not in the trusted root store)."},
    {"no certificate in the file", Standing::NoCertificate, L"", std::nullopt, false,
     "Import failed: ?the file holds no certificate)."},
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
};

TEST_P(EachStep, AnImportThatDidNotTakeEffectIsReportedAfterExitCodeZero) {
    const StepCase c = GetParam();
    const std::string file = (*c.script->steps)[c.step].file;
    for (const TrustCase& trust : kTrustCases) {
        FakePlatform os;
        os.SetRootLookup(static_cast<int>(c.step) + 1, {trust.standing, trust.reason});
        if (trust.protectedRootsFlags) {
            os.SetDword(kProtectedRoots, L"Flags", *trust.protectedRootsFlags);
        }
        if (trust.policyUnreadable) {
            os.Fail("RegQueryValueExA", 1, fake::kAccessDenied);
        }
        c.script->action(os);
        std::string shown = trust.shown;
        if (!shown.empty()) {
            shown.replace(shown.find('?'), 1, "All\\" + file + " (certmgr reported success, but ");
        }
        EXPECT_EQ(Shown(os.calls()),
                  Shown(Expected(*c.script->steps, c.step, shown.empty() ? "" : Message(shown))))
            << trust.name;
        EXPECT_EQ(os.OpenKeyCount(), 0u) << trust.name;
    }
}

TEST(InstallCertificates, ALookUpThatFailsIsReportedAsUnconfirmed) {
    FakePlatform os;
    os.Fail("LookUpRootCertificate", 2, 5);
    InstallNewCertificates(os);
    EXPECT_EQ(os.messages(), std::vector<std::wstring>{
                                 L"Import not confirmed: All\\GovernmentalGeneralIntermediateCANew.cer "
                                 L"(certmgr reported success, but the trusted root store "
                                 L"cannot be read to check it). Access is denied."});
}

TEST_P(EachStep, ClosingTheWindowEndsTheScriptAtItsNextStep) {
    const StepCase c = GetParam();
    const std::vector<Step>& steps = *c.script->steps;
    const Calls before =
        Expected(std::vector<Step>(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(c.step)));
    // Asked to close during this step's wait: the wait ends, nothing after it.
    {
        FakePlatform os;
        os.CloseDuring("StartProgramAndWait", static_cast<int>(c.step) + 1);
        RunAction(os, c.script->action);
        Calls expected = before;
        expected.push_back(Start(steps[c.step].file));
        EXPECT_EQ(os.calls(), expected);
        EXPECT_TRUE(os.errors().empty());
    }
    // Asked to close during this step's box: the box is the last thing the script does.
    if (!steps[c.step].okMessage.empty()) {
        int box = 0;
        for (std::size_t i = 0; i <= c.step; ++i) {
            box += steps[i].okMessage.empty() ? 0 : 1;
        }
        FakePlatform os;
        os.CloseDuring("ShowMessage", box);
        RunAction(os, c.script->action);
        Calls expected = before;
        expected.push_back(Start(steps[c.step].file));
        expected.push_back(Lookup(steps[c.step].file));
        expected.push_back(steps[c.step].okMessage);
        EXPECT_EQ(os.calls(), expected);
        EXPECT_TRUE(os.errors().empty());
    }
}

TEST_P(EachStep, AToolThatCannotStartEndsTheActionWithOneErrorBox) {
    const StepCase c = GetParam();
    FakePlatform os;
    os.Fail("StartProgramAndWait", static_cast<int>(c.step) + 1, 2);
    RunAction(os, c.script->action);

    // Everything before the failed step as usual; of that step and after it, nothing but the error box.
    Calls expected = Expected(std::vector<Step>(
        c.script->steps->begin(), c.script->steps->begin() + static_cast<std::ptrdiff_t>(c.step)));
    expected.push_back(Start((*c.script->steps)[c.step].file));
    const std::wstring command = CertmgrCommand(
        std::wstring((*c.script->steps)[c.step].file.begin(), (*c.script->steps)[c.step].file.end()));
    expected.push_back("ShowError(\"" +
                       fake::Narrow(L"This program could not be started:\n" + command +
                                    L"\n\nThe system cannot find the path specified.") +
                       "\")");
    EXPECT_EQ(os.calls(), expected);
    EXPECT_EQ(os.errors().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothScripts, EachStep, ::testing::ValuesIn(EveryStep()),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                             return std::string(info.param.script->name) + "Step" +
                                    std::to_string(info.param.step + 1);
                         });

TEST(RunAction, AnActionThatStartsNothingShowsNoErrorBox) {
    FakePlatform os;
    RunAction(os, &InstallNewCertificates);
    EXPECT_TRUE(os.errors().empty());
}

TEST(RunAction, ClosingDuringTheErrorBoxEndsTheActionQuietly) {
    FakePlatform os;
    os.Fail("StartProgramAndWait", 1, 2);
    os.CloseDuring("ShowError", 1);
    RunAction(os, &InstallRootCertificates);
    EXPECT_EQ(os.calls().size(), 2u);
    EXPECT_TRUE(os.closing());
    // And a start or a box that comes after the close reaches nothing.
    EXPECT_THROW(os.ShowMessage(L"late"), ActionCancelled);
    EXPECT_EQ(os.calls().size(), 2u);
}

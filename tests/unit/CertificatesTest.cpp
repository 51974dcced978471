#include "actions/Certificates.h"
#include "actions/RunAction.h"
#include "tests/unit/FakePlatform.h"

#include <gtest/gtest.h>

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

// What a run shows when step `changed` ends with `message` in place of its own ("" keeps the step's own).
Calls Expected(const std::vector<Step>& steps, std::size_t changed = SIZE_MAX,
               const std::string& message = "") {
    Calls calls;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        calls.push_back(Start(steps[i].file));
        const std::string& shown = i == changed ? message : steps[i].okMessage;
        if (!shown.empty()) {
            calls.push_back(shown);
        }
    }
    return calls;
}

} // namespace

TEST(InstallCertificates, RootScriptAlternatesEightImportsAndEightMessages) {
    FakePlatform os;
    InstallRootCertificates(os);
    EXPECT_EQ(
        os.calls(),
        (Calls{Start("DigitalSignOld.cer"), kOk, Start("IRIranCommerceIntermediateCAOld.cer"), kOk,
               Start("IRIranCommerceIntermediateCA.cer"), kOk, Start("IRIranCommerceIntermediateCAOld.cer"),
               kOk, Start("IRIROOTCA.crt"), kOk, Start("GICADigitalSign-Silver(L2)New.cer"), kOk,
               Start("GovernmentalGeneralIntermediateCANew.cer"), kOk,
               Start("IslamicRepublicofIRANRootCANew.cer"), kOk}));
}

TEST(InstallCertificates, RenewalScriptShowsOneMessageBetweenTheSecondAndThirdImport) {
    FakePlatform os;
    InstallNewCertificates(os);
    EXPECT_EQ(os.calls(), (Calls{Start("GICADigitalSign-Silver(L2)New.cer"),
                                 Start("GovernmentalGeneralIntermediateCANew.cer"),
                                 Message("GovernmentalGeneralIntermediateCANew Is OK!"),
                                 Start("IslamicRepublicofIRANRootCANew.cer")}));
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
                                               std::to_string(exitCode) + ").")));
    }
}

TEST_P(EachStep, AToolStoppedAtTheBoundIsReportedAndTheScriptGoesOn) {
    const StepCase c = GetParam();
    FakePlatform os;
    os.SetOutcome(static_cast<int>(c.step) + 1, {false, 0});
    c.script->action(os);
    EXPECT_EQ(os.calls(), Expected(*c.script->steps, c.step,
                                   Message("Import failed: All\\" + (*c.script->steps)[c.step].file +
                                           " (certmgr did not finish; it was stopped).")));
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

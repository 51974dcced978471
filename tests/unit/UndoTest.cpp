#include "actions/buttons/BrowserZone.h"
#include "actions/buttons/Certificates.h"
#include "actions/buttons/RunAction.h"
#include "actions/buttons/Undo.h"
#include "actions/readers/ChangeRecord.h"
#include "actions/readers/Policies.h"
#include "platform/CertificateFile.h"
#include "tests/fake/FakePlatform.h"

#include "ServiceDomain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace tovalset;
using tovalset::fake::FakePlatform;
using tovalset::fake::FakeReportFacts;
using tovalset::fake::Narrow;

namespace {

const std::wstring kRecord = L"HKCU\\Software\\TovalSet";
const std::wstring kZone = L"HKCU\\" + std::wstring(kZoneKeyPath);

Thumbprint ThumbprintOf(const std::wstring& file) {
    const std::string bytes = Narrow(file);
    return Sha1({bytes.begin(), bytes.end()});
}

// A user's computer: the support folder's files, the user's own part of the root store, the zone values.
struct World {
    FakePlatform os;
    FakeReportFacts facts;
    World() {
        for (const std::wstring& file : CertificateFiles()) {
            const std::string bytes = Narrow(file);
            facts.SetFile(L"All\\" + file, {bytes.begin(), bytes.end()});
        }
    }
    void Has(const std::wstring& file) { os.userRoots.insert(ThumbprintOf(file)); }
    // Both certificate scripts and the IE settings button, each import landing in the user's part.
    void RunTheButtons() {
        InstallRootCertificates(os, facts);
        InstallNewCertificates(os, facts);
        for (const std::wstring& file : CertificateFiles()) {
            Has(file);
        }
        ConfigureBrowserZone(os, facts);
    }
    // How many programs were waited for so far: the undo's n-th run comes after them.
    int Waits() const {
        return static_cast<int>(
            std::count_if(os.calls().begin(), os.calls().end(), [](const std::string& call) {
                return call.rfind("StartProgramAndWait(", 0) == 0;
            }));
    }
    std::set<std::wstring> UserRoots() const {
        std::set<std::wstring> files;
        for (const std::wstring& file : CertificateFiles()) {
            if (os.userRoots.count(ThumbprintOf(file)) != 0) {
                files.insert(file);
            }
        }
        return files;
    }
    // The six settings and the mapping, each as its type and bytes, "-" for none.
    std::map<std::string, std::string> ZoneValues() const {
        std::map<std::string, std::string> values;
        const auto add = [&](const std::wstring& key, const std::wstring& name) {
            const fake::RegValue* value = os.Value(key, name);
            std::string text = "-";
            if (value != nullptr) {
                text = std::to_string(value->type) + ":";
                for (const std::uint8_t byte : value->data) {
                    text += std::to_string(byte) + " ";
                }
            }
            values[Narrow(name)] = text;
        };
        for (const wchar_t* setting : kZoneSettings) {
            add(kZone, setting);
        }
        add(L"HKCU\\" + DomainKeyPath(), L"*");
        return values;
    }
};

const std::wstring kBefore = L"IRIROOTCA.crt";
std::set<std::wstring> AllFiles() {
    const std::vector<std::wstring> files = CertificateFiles();
    return {files.begin(), files.end()};
}
const std::set<std::wstring> kAll = AllFiles();

struct UndoCase {
    const char* name;
    std::function<void(World&)> set;   // the world before TovalSet
    bool buttons;                      // both certificate scripts and the IE settings button run
    std::function<void(World&)> undo;  // answers, outcomes and closes, then the undo
    std::set<std::wstring> rootsAfter; // the user's own part after the undo
    bool zoneAsAtFirst;                // the zone values as before the first button
    std::vector<std::string> told;     // each in one box or question, in order
    std::size_t recordLeft;            // certificate and value lines the record still holds
};

void Undo(World& w) {
    RunAction(w.os, w.facts, &UndoChanges);
}

// What was there before TovalSet: one of its certificates, two of the settings.
void Usual(World& w) {
    w.Has(kBefore);
    w.os.SetDword(kZone, L"1001", 3);
    w.os.SetValue(kZone, L"1400", {REG_SZ, {'3', 0, 0, 0}});
}
// The original tool's work, of which there is no record.
void Original(World& w) {
    for (const std::wstring& file : CertificateFiles()) {
        w.Has(file);
    }
}

const UndoCase kCases[] = {
    {"only what TovalSet added goes; what was there before stays",
     &Usual,
     true,
     &Undo,
     {kBefore},
     true,
     {"These certificates, which TovalSet added", "Trusted Sites setting 1001: 0 -> 3",
      "Trusted Sites setting 1004: 0 -> not there", "Undone:"},
     0},
    {"the user's No is told and stays in the record",
     &Usual,
     true,
     [](World& w) {
         w.os.SetOutcome(w.Waits() + 2, {true, 5});
         Undo(w);
     },
     {kBefore, L"IRIranCommerceIntermediateCAOld.cer"},
     true,
     {"IRIranCommerceIntermediateCAOld.cer (" +
      fake::Hex(ThumbprintOf(L"IRIranCommerceIntermediateCAOld.cer")) +
      "): still in your root store: you answered No, or the certificate manager failed (exit code 5)"},
     2},
    {"a copy in the computer's store is told",
     &Usual,
     true,
     [](World& w) {
         w.os.computerRoots.insert(ThumbprintOf(L"DigitalSignOld.cer"));
         Undo(w);
     },
     {kBefore},
     true,
     {"DigitalSignOld.cer (", "Windows still trusts it through the computer's store"},
     0},
    {"Cancel changes nothing",
     &Usual,
     true,
     [](World& w) {
         w.os.SetAnswer(1, false);
         Undo(w);
     },
     kAll,
     false,
     {"Undo what TovalSet changed"},
     14},
    {"closing the window during the question changes nothing",
     &Usual,
     true,
     [](World& w) {
         w.os.CloseDuring("AskOkCancel", 1);
         Undo(w);
     },
     kAll,
     false,
     {"Undo what TovalSet changed"},
     14},
    {"closing mid-undo ends it there and keeps the rest in the record",
     &Usual,
     true,
     [](World& w) {
         w.os.CloseDuring("StartProgramAndWait", w.Waits() + 3);
         Undo(w);
     },
     {kBefore, L"IRIranCommerceIntermediateCA.cer", L"GICADigitalSign-Silver(L2)New.cer",
      L"GovernmentalGeneralIntermediateCANew.cer", L"IslamicRepublicofIRANRootCANew.cer"},
     false,
     {"Undo what TovalSet changed"},
     12},
    {"without a record nothing goes without the second answer",
     &Original,
     false,
     [](World& w) {
         w.os.SetAnswer(2, false);
         Undo(w);
     },
     kAll,
     true,
     {"cannot tell whether they were there before it", "although TovalSet cannot tell",
      "Kept, as you answered", "Default level"},
     0},
    {"without a record the second answer removes them",
     &Original,
     false,
     &Undo,
     {},
     true,
     {"cannot tell whether", "although TovalSet cannot tell", "Undone:", "Default level"},
     0},
    {"nothing recorded, nothing found",
     [](World&) {},
     false,
     &Undo,
     {},
     true,
     {"There is nothing to undo"},
     0},
};

void PrintTo(const UndoCase& c, std::ostream* out) {
    *out << c.name;
}

class EachUndo : public ::testing::TestWithParam<UndoCase> {};

TEST_P(EachUndo, TakesBackOnlyWhatTheRecordSaysAndTellsWhatItDid) {
    const UndoCase& c = GetParam();
    World w;
    c.set(w);
    const auto atFirst = w.ZoneValues();
    if (c.buttons) {
        w.RunTheButtons();
    }
    const auto beforeUndo = w.ZoneValues();
    const std::size_t postedBefore = w.os.posted().size();
    w.os.AddWindow(L"IEFrame");
    c.undo(w);

    EXPECT_EQ(w.UserRoots(), c.rootsAfter);
    EXPECT_EQ(w.ZoneValues(), c.zoneAsAtFirst ? atFirst : beforeUndo);
    std::vector<std::wstring> shown = w.os.questions();
    shown.insert(shown.end(), w.os.messages().begin(), w.os.messages().end());
    std::string all;
    for (const std::wstring& text : shown) {
        all += Narrow(text) + "\n";
    }
    std::size_t at = 0;
    for (const std::string& told : c.told) {
        at = all.find(told, at);
        ASSERT_NE(at, std::string::npos) << "not told, or not in order: " << told << "\nin:\n" << all;
    }
    const auto left = w.os.Lines(kRecord, L"Certificates").size() + w.os.Lines(kRecord, L"Values").size();
    EXPECT_EQ(left, c.recordLeft);
    // Zone values put back ask the browser windows to close; nothing changed, nothing asked.
    const bool restored = c.zoneAsAtFirst && atFirst != beforeUndo;
    EXPECT_EQ(w.os.posted().size() - postedBefore, restored ? 1u : 0u);
    EXPECT_EQ(w.os.OpenKeyCount(), 0u);
    if (c.recordLeft == 0) {
        EXPECT_FALSE(w.os.HasKey(kRecord));
        EXPECT_FALSE(w.os.HasKey(L"HKCU\\" + DomainKeyPath())) << "the key TovalSet made stays";
    }
}

INSTANTIATE_TEST_SUITE_P(Undo, EachUndo, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<UndoCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

} // namespace

TEST(Undo, TheDeleteNamesTheThumbprintAndTheReportTellsTheRecord) {
    EXPECT_EQ(CertmgrDeleteCommand(ThumbprintOf(L"x")),
              L"All\\certmgr /del /c /sha1 " + std::wstring(L"11F6AD8EC52A2984ABAAFD7C3B516503785C2072") +
                  L" /s root");
    World w;
    EXPECT_EQ(ChangeRecordLines(w.os).size(), 1u);
    Usual(w);
    w.RunTheButtons();
    const auto lines = ChangeRecordLines(w.os);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Narrow(lines[0].second), "made 2026-12-09 14:05:09, in HKCU\\Software\\TovalSet");
    EXPECT_EQ(Narrow(lines[1].second), "6 added by TovalSet, 1 there before");
    EXPECT_EQ(Narrow(lines[2].second), "7 values as they were, 5 of them not there; 1 key made");
}

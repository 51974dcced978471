#include "actions/buttons/Undo.h"

#include "actions/buttons/BrowserZone.h"
#include "actions/buttons/Certificates.h"
#include "actions/buttons/DesktopUser.h"
#include "actions/readers/ChangeRecord.h"
#include "actions/SupportFolder.h"

#include "ServiceDomain.h"

#include <algorithm>

namespace tovalset {

namespace {

using Held = PlatformOps::Held;
constexpr RegStatus kNotFound = 2;
constexpr RegStatus kNotEmpty = 145;

const wchar_t* const kZoneReset =
    L"TovalSet has no record of your Trusted Sites settings and leaves them as they "
    L"are. Windows resets them in Internet Options, Security, Trusted sites, "
    L"Default level.";

// What the undo will do, found before it asks.
struct Plan {
    ChangeRecord record;
    std::vector<RecordedCertificate> recorded;   // added by TovalSet, still in the user's part
    std::vector<RecordedCertificate> unrecorded; // without a record: the support folder's, in the user's part
    std::vector<RecordedValue> values;           // recorded values that differ from what they were
    std::vector<std::wstring> nowTexts;          // each of those as it is now
    std::vector<std::wstring> notes;             // what cannot be told now
    bool zoneRecorded = false;                   // the record held browser settings

    bool nothingToDo() const { return recorded.empty() && unrecorded.empty() && values.empty(); }
};

std::wstring Named(const RecordedCertificate& certificate) {
    return certificate.name + L" (" + ThumbprintText(certificate.thumbprint) + L")";
}

std::wstring Label(const RecordedValue& value) {
    if (value.key == kZoneKeyPath) {
        return L"Trusted Sites setting " + value.name;
    }
    if (value.key == DomainKeyPath()) {
        return std::wstring(L"the mapping of ") + TOVALSET_SERVICE_DOMAIN + L" into Trusted Sites";
    }
    return value.key + L"\\" + value.name;
}

bool Same(const RecordedCertificate& a, const RecordedCertificate& b) {
    return a.thumbprint == b.thumbprint;
}
bool Same(const RecordedValue& a, const RecordedValue& b) {
    return a.key == b.key && a.name == b.name;
}

// Takes an entry out of the record: it is undone, or there is nothing left to undo of it. The entry is
// copied first, as it may be one of the items.
template <typename Item> void Forget(std::vector<Item>& items, Item item) {
    items.erase(
        std::remove_if(items.begin(), items.end(), [&](const Item& other) { return Same(other, item); }),
        items.end());
}

// The support folder's certificates that the user's own part holds, for an undo without a record.
std::vector<RecordedCertificate> FoundInUserPart(PlatformOps& os, ReportFacts& facts) {
    std::vector<RecordedCertificate> found;
    for (const std::wstring& file : CertificateFiles()) {
        std::optional<RecordedCertificate> certificate = SupportFolderCertificate(facts, file);
        if (certificate && os.FindInUserRoots(certificate->thumbprint).held == Held::Yes) {
            found.push_back(std::move(*certificate));
        }
    }
    return found;
}

Plan MakePlan(PlatformOps& os, ReportFacts& facts) {
    Plan plan;
    plan.record = ReadChangeRecord(os);
    ChangeRecord& record = plan.record;
    plan.zoneRecorded = !record.values.empty() || !record.keysMade.empty();
    for (const RecordedCertificate& certificate : std::vector(record.certificates)) {
        if (!certificate.added) {
            continue;
        }
        const PlatformOps::PartLookup lookup = os.FindInUserRoots(certificate.thumbprint);
        if (lookup.held == Held::Yes) {
            plan.recorded.push_back(certificate);
        } else if (lookup.held == Held::No) {
            Forget(record.certificates, certificate); // already gone: nothing left to undo
        } else {
            plan.notes.push_back(Named(certificate) + L": your root store cannot be read. " + lookup.reason);
        }
    }
    if (record.certificates.empty()) {
        plan.unrecorded = FoundInUserPart(os, facts);
    }
    for (const RecordedValue& value : std::vector(record.values)) {
        const RegRead now = os.ReadRegValue(kCurrentUser, value.key, value.name);
        const std::optional<RegData> current =
            now.status == 0 ? std::optional(now.data) : std::optional<RegData>();
        if ((now.status == 0 || now.status == kNotFound) && current == value.before) {
            Forget(record.values, value);
            continue;
        }
        plan.values.push_back(value);
        plan.nowTexts.push_back(now.status == 0 || now.status == kNotFound ? ValueText(current)
                                                                           : L"unreadable");
    }
    return plan;
}

std::wstring List(const std::vector<RecordedCertificate>& certificates) {
    std::wstring text;
    for (const RecordedCertificate& certificate : certificates) {
        text += L"  " + Named(certificate) + L"\n";
    }
    return text;
}

std::wstring Question(const Plan& plan) {
    std::wstring text = L"Undo what TovalSet changed for this user?\n";
    if (!plan.recorded.empty()) {
        text += L"\nThese certificates, which TovalSet added, are removed from your root store:\n" +
                List(plan.recorded);
    }
    if (!plan.values.empty()) {
        text += L"\nThese browser settings are put back as they were (now -> before):\n";
        for (std::size_t i = 0; i < plan.values.size(); ++i) {
            text += L"  " + Label(plan.values[i]) + L": " + plan.nowTexts[i] + L" -> " +
                    ValueText(plan.values[i].before) + L"\n";
        }
        text += L"Internet Explorer windows are asked to close.\n";
    }
    if (!plan.unrecorded.empty()) {
        text += L"\nTovalSet has no record of these certificates in your root store, so it cannot tell "
                L"whether they were there before it:\n" +
                List(plan.unrecorded) + L"They are removed only if you say so in the next question.\n";
    }
    if (!plan.zoneRecorded) {
        text += L"\n" + std::wstring(kZoneReset) + L"\n";
    }
    return text + L"\nOK goes on; Cancel changes nothing.";
}

// What the closing box says, as the steps go.
struct Outcome {
    std::vector<std::wstring> undone;
    std::vector<std::wstring> notUndone;
    std::vector<std::wstring> kept; // without a record, as the user answered the second question
};

void Section(std::wstring& text, const wchar_t* heading, const std::vector<std::wstring>& lines) {
    if (lines.empty()) {
        return;
    }
    text += std::wstring(text.empty() ? L"" : L"\n") + heading + L"\n";
    for (const std::wstring& line : lines) {
        text += L"  " + line + L"\n";
    }
}

// One certificate out of the user's part through the certificate manager, told by what the store holds
// afterwards, not by the exit code alone. True when the user's part no longer holds it. `startFailure`
// holds why the tool could not be started, once it could not: the rest are not tried.
bool Remove(PlatformOps& os, const RecordedCertificate& certificate, std::wstring& startFailure,
            Outcome& outcome) {
    if (!startFailure.empty()) {
        outcome.notUndone.push_back(Named(certificate) + L": not removed: " + startFailure);
        return false;
    }
    ProgramOutcome run;
    try {
        run =
            os.StartProgramAndWait(CertmgrDeleteCommand(certificate.thumbprint), SW_HIDE, kCertmgrTimeoutMs);
    } catch (const ProgramStartError& error) {
        startFailure =
            L"the certificate manager could not be started (" + error.commandLine() + L"). " + error.reason();
        outcome.notUndone.push_back(Named(certificate) + L": not removed: " + startFailure);
        return false;
    }
    // Looked up again by thumbprint: the support folder may be gone by now.
    const PlatformOps::PartLookup after = os.FindInUserRoots(certificate.thumbprint);
    if (after.held == Held::Unreadable) {
        outcome.notUndone.push_back(Named(certificate) +
                                    L": not confirmed: your root store cannot be read. " + after.reason);
        return false;
    }
    if (after.held == Held::Yes) {
        std::wstring why = L"you answered No, or the certificate manager failed (exit code " +
                           std::to_wstring(run.exitCode) + L")";
        if (!run.finished) {
            why = L"the certificate manager did not finish; it was stopped";
        } else if (run.exitCode == 0) {
            why = L"the certificate manager reported success, but it is still there";
        }
        outcome.notUndone.push_back(Named(certificate) + L": still in your root store: " + why);
        return false;
    }
    if (os.FindInComputerRoots(certificate.thumbprint).held == Held::Yes) {
        outcome.undone.push_back(Named(certificate) +
                                 L": removed from your root store, but Windows still trusts it through the "
                                 L"computer's store, from which only an administrator can remove it");
    } else {
        outcome.undone.push_back(Named(certificate) + L": removed");
    }
    return true;
}

void RestoreValues(PlatformOps& os, Plan& plan, Outcome& outcome) {
    ChangeRecord& record = plan.record;
    bool restored = false;
    for (std::size_t i = 0; i < plan.values.size(); ++i) {
        const RecordedValue& value = plan.values[i];
        RegStatus status = value.before ? os.WriteRegValue(kCurrentUser, value.key, value.name, *value.before)
                                        : os.DeleteRegValue(kCurrentUser, value.key, value.name);
        if (!value.before && status == kNotFound) {
            status = 0;
        }
        const std::wstring change =
            Label(value) + L": " + plan.nowTexts[i] + L" -> " + ValueText(value.before);
        if (status == 0) {
            outcome.undone.push_back(change);
            Forget(record.values, value);
            restored = true;
        } else {
            outcome.notUndone.push_back(change + L": not put back. " +
                                        os.ErrorText(static_cast<std::uint32_t>(status)));
        }
    }
    // A key TovalSet made goes once no value of the record is left in it and it is empty; one that holds
    // something else now is someone else's, and stays.
    for (const std::wstring& key : std::vector(record.keysMade)) {
        const bool pending = std::any_of(record.values.begin(), record.values.end(),
                                         [&](const RecordedValue& value) { return value.key == key; });
        if (pending) {
            continue;
        }
        const RegStatus status = os.DeleteEmptyRegKey(kCurrentUser, key);
        if (status == 0 || status == kNotFound || status == kNotEmpty) {
            record.keysMade.erase(std::find(record.keysMade.begin(), record.keysMade.end(), key));
        }
    }
    if (restored) {
        CloseBrowserWindows(os);
    }
}

// The record without what is left to undo: certificates that were there before stay only beside
// something that is still to be undone.
void WriteWhatIsLeft(PlatformOps& os, ChangeRecord& record) {
    const bool anyAdded = std::any_of(record.certificates.begin(), record.certificates.end(),
                                      [](const RecordedCertificate& c) { return c.added; });
    if (!anyAdded && record.values.empty() && record.keysMade.empty()) {
        record.certificates.clear();
    }
    WriteChangeRecord(os, record);
}

std::wstring ClosingText(const Outcome& outcome, const Plan& plan) {
    std::wstring text;
    Section(text, L"Undone:", outcome.undone);
    Section(text, L"Not undone (Undo again tries it again):", outcome.notUndone);
    Section(text, L"Kept, as you answered:", outcome.kept);
    for (const std::wstring& note : plan.notes) {
        text += L"\n" + note + L"\n";
    }
    if (!plan.zoneRecorded) {
        text += L"\n" + std::wstring(kZoneReset);
    }
    return text;
}

} // namespace

std::wstring CertmgrDeleteCommand(const Thumbprint& thumbprint) {
    return InSupportFolder(kCertmgr) + L" /del /c /sha1 " + ThumbprintText(thumbprint) + L" /s root";
}

void UndoChanges(PlatformOps& os, ReportFacts& facts) {
    if (!ChangesReachTheDesktopUser(os, facts)) {
        return;
    }
    Plan plan = MakePlan(os, facts);
    if (plan.nothingToDo()) {
        const bool hadRecord = !plan.record.empty();
        // Only empty keys of its own are left to go: nothing the user would be asked about.
        Outcome quiet;
        RestoreValues(os, plan, quiet);
        WriteWhatIsLeft(os, plan.record);
        os.ShowMessage((hadRecord
                            ? L"There is nothing to undo: what TovalSet recorded is as it was before.\n"
                            : L"There is nothing to undo: TovalSet has no record of changes for this user, "
                              L"and none of the support folder's certificates is in your root store.\n") +
                       ClosingText(quiet, plan));
        return;
    }
    if (!os.AskOkCancel(Question(plan))) {
        return;
    }
    std::vector<RecordedCertificate> unrecorded = plan.unrecorded;
    if (!unrecorded.empty() &&
        !os.AskOkCancel(
            L"Remove these certificates from your root store, although TovalSet cannot tell whether "
            L"they were there before it?\n\n" +
            List(unrecorded) + L"\nOK removes them; Cancel keeps them.")) {
        unrecorded.clear();
    }
    Outcome outcome;
    std::wstring startFailure;
    for (const RecordedCertificate& certificate : plan.recorded) {
        if (Remove(os, certificate, startFailure, outcome)) {
            Forget(plan.record.certificates, certificate);
            // Written after each one: a window closed during the next still leaves a true record.
            WriteWhatIsLeft(os, plan.record);
        }
    }
    for (const RecordedCertificate& certificate : unrecorded) {
        Remove(os, certificate, startFailure, outcome);
    }
    if (unrecorded.size() < plan.unrecorded.size()) {
        for (const RecordedCertificate& certificate : plan.unrecorded) {
            outcome.kept.push_back(Named(certificate));
        }
    }
    RestoreValues(os, plan, outcome);
    WriteWhatIsLeft(os, plan.record);
    os.ShowMessage(ClosingText(outcome, plan));
}

} // namespace tovalset

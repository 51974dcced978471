#include "actions/buttons/Certificates.h"

#include "actions/buttons/DesktopUser.h"
#include "actions/judge/Judge.h"
#include "actions/readers/ChangeRecord.h"
#include "actions/readers/Policies.h"
#include "actions/SupportFolder.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tovalset {

const wchar_t* const kImportOkMessage = L"The Import Was Successfull ";
const wchar_t* const kRenewalIntermediateOkMessage = L"GovernmentalGeneralIntermediateCANew Is OK!";

namespace {

// One import: the certificate file, and the message that follows it when it took effect (or none).
struct Import {
    const wchar_t* file;
    const wchar_t* okMessage;
};

// Why an import that the certificate manager reported as done has not taken effect, or none when the system
// will trust the certificate. The tool's exit codes are not documented: the store itself is asked.
std::optional<std::wstring> WhyNotInEffect(PlatformOps& os, const std::wstring& path) {
    const PlatformOps::RootLookup lookup = os.LookUpRootCertificate(path);
    const std::wstring reported = L" (certmgr reported success, but ";
    // ProtectedRoots matters only to a certificate that is in the user's part alone: it is read for that one.
    const bool distrusted =
        lookup.standing == PlatformOps::RootStanding::UserPartOnly && UserRootsDistrusted(os);
    if (const auto finding = CertificateNotTrusted(lookup, distrusted, L"the certificate", L"the file")) {
        return L"Import failed: " + path + reported + finding->fault +
               (finding->byOurButton ? L"" : L": " + finding->remedy) + L").";
    }
    // A file or a store that cannot be read fails no import: it is only not confirmed.
    switch (lookup.standing) {
    case PlatformOps::RootStanding::FileUnreadable:
        return L"Import not confirmed: " + path + reported + L"the file cannot be read to check it). " +
               lookup.reason;
    case PlatformOps::RootStanding::StoreUnreadable:
        return L"Import not confirmed: " + path + reported +
               L"the trusted root store cannot be read to check it). " + lookup.reason;
    default:
        return std::nullopt;
    }
}

void RunImports(PlatformOps& os, const std::vector<Import>& imports) {
    // A success message speaks for every import since the message before it: the renewal script's one
    // message stands for its first two imports, and is shown only when both took effect.
    bool allInEffect = true;
    for (const Import& import : imports) {
        // Waiting keeps two tools from writing the store at once, and lets us say what really happened.
        // A tool that cannot start at all ends the action here (ProgramStartError).
        const ProgramOutcome outcome =
            os.StartProgramAndWait(CertmgrCommand(import.file), SW_HIDE, kCertmgrTimeoutMs);
        const std::wstring path = InSupportFolder(import.file);
        bool inEffect = false;
        if (!outcome.finished) {
            os.ShowMessage(L"Import failed: " + path + L" (certmgr did not finish; it was stopped).");
        } else if (outcome.exitCode != 0) {
            // Each certificate stands on its own: the next one is still tried.
            os.ShowMessage(L"Import failed: " + path + L" (certmgr exit code " +
                           std::to_wstring(outcome.exitCode) + L").");
        } else if (const auto notInEffect = WhyNotInEffect(os, path)) {
            os.ShowMessage(*notInEffect);
        } else {
            inEffect = true;
        }
        allInEffect = allInEffect && inEffect;
        if (import.okMessage != nullptr) {
            if (allInEffect) {
                os.ShowMessage(import.okMessage);
            }
            allInEffect = true;
        }
    }
}

// The install button's imports. The fourth repeats the second: the old commerce intermediate goes in again
// after its successor.
std::vector<Import> RootImports() {
    return {{L"DigitalSignOld.cer", kImportOkMessage},
            {L"IRIranCommerceIntermediateCAOld.cer", kImportOkMessage},
            {L"IRIranCommerceIntermediateCA.cer", kImportOkMessage},
            {L"IRIranCommerceIntermediateCAOld.cer", kImportOkMessage},
            {L"IRIROOTCA.crt", kImportOkMessage},
            {L"GICADigitalSign-Silver(L2)New.cer", kImportOkMessage},
            {L"GovernmentalGeneralIntermediateCANew.cer", kImportOkMessage},
            {L"IslamicRepublicofIRANRootCANew.cer", kImportOkMessage}};
}

std::vector<std::wstring> FilesOf(const std::vector<Import>& imports) {
    std::vector<std::wstring> files(imports.size());
    std::transform(imports.begin(), imports.end(), files.begin(),
                   [](const Import& import) { return import.file; });
    return files;
}

// What the undo needs is written down before the first import changes anything.
void RecordAndRun(PlatformOps& os, ReportFacts& facts, const std::vector<Import>& imports) {
    RecordCertificates(os, facts, FilesOf(imports));
    RunImports(os, imports);
}

} // namespace

std::wstring CertmgrCommand(const std::wstring& file) {
    return InSupportFolder(kCertmgr) + L" /add /c  " + InSupportFolder(file) + L" /s  root";
}

void InstallRootCertificates(PlatformOps& os, ReportFacts& facts) {
    if (!ChangesReachTheDesktopUser(os, facts)) {
        return;
    }
    RecordAndRun(os, facts, RootImports());
}

void InstallNewCertificates(PlatformOps& os, ReportFacts& facts) {
    if (!ChangesReachTheDesktopUser(os, facts)) {
        return;
    }
    RecordAndRun(os, facts,
                 {{L"GICADigitalSign-Silver(L2)New.cer", nullptr},
                  {L"GovernmentalGeneralIntermediateCANew.cer", kRenewalIntermediateOkMessage},
                  {L"IslamicRepublicofIRANRootCANew.cer", nullptr}});
}

std::vector<std::wstring> RootCertificateImports() {
    return FilesOf(RootImports());
}

std::vector<std::wstring> CertificateFiles() {
    std::vector<std::wstring> files;
    for (const std::wstring& file : RootCertificateImports()) {
        if (std::find(files.begin(), files.end(), file) == files.end()) {
            files.push_back(file);
        }
    }
    return files;
}

} // namespace tovalset

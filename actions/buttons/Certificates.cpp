#include "actions/buttons/Certificates.h"

#include "actions/buttons/DesktopUser.h"
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
    using Standing = PlatformOps::RootStanding;
    const PlatformOps::RootLookup lookup = os.LookUpRootCertificate(path);
    const std::wstring reported = L" (certmgr reported success, but ";
    // Distrusted outweighs any place in the root store; a store that cannot be read fails no import.
    if (const std::wstring store = UntrustedStoreName(lookup.distrust); !store.empty()) {
        return L"Import failed: " + path + reported + L"the certificate is in " + store +
               L", so Windows will not trust it: it must be taken out of there).";
    }
    switch (lookup.standing) {
    case Standing::MachinePart:
        return std::nullopt;
    case Standing::UserPartOnly:
        if (!UserRootsDistrusted(os)) {
            return std::nullopt;
        }
        return L"Import failed: " + path + reported +
               L"a policy on this computer lets Windows trust only the computer's root store, and the "
               L"certificate is only in yours: an administrator must add it to the computer's store).";
    case Standing::NotInStore:
        return L"Import failed: " + path + reported + L"the certificate is not in the trusted root store).";
    case Standing::NoCertificate:
        return L"Import failed: " + path + reported + L"the file holds no certificate).";
    case Standing::FileUnreadable:
        return L"Import not confirmed: " + path + reported + L"the file cannot be read to check it). " +
               lookup.reason;
    case Standing::StoreUnreadable:
        return L"Import not confirmed: " + path + reported +
               L"the trusted root store cannot be read to check it). " + lookup.reason;
    }
    return std::nullopt;
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

std::wstring UntrustedStoreName(PlatformOps::Distrust distrust) {
    switch (distrust) {
    case PlatformOps::Distrust::ComputerStore:
        return L"the computer's Untrusted Certificates store";
    case PlatformOps::Distrust::UserStore:
        return L"your Untrusted Certificates store";
    case PlatformOps::Distrust::None:
    case PlatformOps::Distrust::Unknown:
        break;
    }
    return {};
}

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

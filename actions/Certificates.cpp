#include "actions/Certificates.h"

#include <vector>

namespace tovalset {

const wchar_t* const kImportOkMessage = L"The Import Was Successfull ";
const wchar_t* const kRenewalIntermediateOkMessage = L"GovernmentalGeneralIntermediateCANew Is OK!";

namespace {

// One import: the certificate file, and the message that follows it when the tool succeeded (or none).
struct Import {
    const wchar_t* file;
    const wchar_t* okMessage;
};

void RunImports(PlatformOps& os, const std::vector<Import>& imports) {
    for (const Import& import : imports) {
        // Waiting keeps two tools from writing the store at once, and lets us say what really happened.
        // A tool that cannot start at all ends the action here (ProgramStartError).
        const ProgramOutcome outcome =
            os.StartProgramAndWait(CertmgrCommand(import.file), SW_HIDE, kCertmgrTimeoutMs);
        const std::wstring path = std::wstring(L"All\\") + import.file;
        if (!outcome.finished) {
            os.ShowMessage(L"Import failed: " + path + L" (certmgr did not finish; it was stopped).");
        } else if (outcome.exitCode != 0) {
            // Each certificate stands on its own: the next one is still tried.
            os.ShowMessage(L"Import failed: " + path + L" (certmgr exit code " +
                           std::to_wstring(outcome.exitCode) + L").");
        } else if (import.okMessage != nullptr) {
            os.ShowMessage(import.okMessage);
        }
    }
}

} // namespace

std::wstring CertmgrCommand(const std::wstring& file) {
    return L"All\\certmgr /add /c  All\\" + file + L" /s  root";
}

void InstallRootCertificates(PlatformOps& os) {
    // The fourth import repeats the second: the old commerce intermediate goes in again after its successor.
    RunImports(os, {{L"DigitalSignOld.cer", kImportOkMessage},
                    {L"IRIranCommerceIntermediateCAOld.cer", kImportOkMessage},
                    {L"IRIranCommerceIntermediateCA.cer", kImportOkMessage},
                    {L"IRIranCommerceIntermediateCAOld.cer", kImportOkMessage},
                    {L"IRIROOTCA.crt", kImportOkMessage},
                    {L"GICADigitalSign-Silver(L2)New.cer", kImportOkMessage},
                    {L"GovernmentalGeneralIntermediateCANew.cer", kImportOkMessage},
                    {L"IslamicRepublicofIRANRootCANew.cer", kImportOkMessage}});
}

void InstallNewCertificates(PlatformOps& os) {
    RunImports(os, {{L"GICADigitalSign-Silver(L2)New.cer", nullptr},
                    {L"GovernmentalGeneralIntermediateCANew.cer", kRenewalIntermediateOkMessage},
                    {L"IslamicRepublicofIRANRootCANew.cer", nullptr}});
}

} // namespace tovalset

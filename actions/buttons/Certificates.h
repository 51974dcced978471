#pragma once
// Installing the service's CA certificates with the certificate manager in the support folder.

#include "platform/PlatformOps.h"
#include "platform/ReportFacts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tovalset {

// How long one certificate manager run may take, not counting time in which it asks the user something,
// before it is stopped and reported, and the script goes on.
constexpr std::uint32_t kCertmgrTimeoutMs = 120000;

extern const wchar_t* const kImportOkMessage;
extern const wchar_t* const kRenewalIntermediateOkMessage;

// The certificate manager's command line that adds All\<file> to the root store.
std::wstring CertmgrCommand(const std::wstring& file);

// All seven certificates, roots and intermediates, with a message after each import.
void InstallRootCertificates(PlatformOps& os, ReportFacts& facts);
// The three renewed ones ("...New.cer"), with one message after the second.
void InstallNewCertificates(PlatformOps& os, ReportFacts& facts);
// Both start nothing, only a box, when the changes would reach another account than the desktop's.

// The certificate files that InstallRootCertificates imports, in its order: the fourth repeats the second.
std::vector<std::wstring> RootCertificateImports();
// The same files each once, in the order of their first import: every certificate of the support folder.
std::vector<std::wstring> CertificateFiles();

} // namespace tovalset

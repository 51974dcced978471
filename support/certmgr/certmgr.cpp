// A stand-in for the certificate manager that administrators put into the support folder, so that the
// certificate buttons can be run and tested for real. It takes exactly the command that TovalSet gives:
//     certmgr /add /c  <file> /s  <store>
// and adds the certificate in <file> (DER or PEM) to the current user's system store <store>, replacing
// a copy that is already there. With TOVALSET_CERTMGR_MODE=ask it first asks, as Windows does before a
// certificate goes into the user's root store, and adds nothing when the answer is No.
#include <windows.h>
#include <wincrypt.h>

#include "support/certmgr/CertHandles.h"
#include "support/certmgr/Input.h"
#include "platform/CertificateFile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Text.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

enum ExitCode : int {
    kAdded = 0,
    kBadCommandLine = 1,
    kUnreadableFile = 2,
    kNotACertificate = 3,
    kStoreError = 4,
    kDeclined = 5,
};

bool Mode(const char* wanted) {
    char mode[16] = {};
    return GetEnvironmentVariableA("TOVALSET_CERTMGR_MODE", mode, sizeof mode) != 0 &&
           lstrcmpA(mode, wanted) == 0;
}

using tovalset::DerOf;
using tovalset::certmgr::AddCommand;
using tovalset::certmgr::ArgumentsOf;
using tovalset::certmgr::ParseAddCommand;
using tovalset::win32::UniqueCertContext;
using tovalset::win32::UniqueCertStore;

int Fail(int code, const std::string& reason) {
    std::fprintf(stderr, "certmgr: %s\n", reason.c_str());
    return code;
}

int Usage() {
    return Fail(kBadCommandLine,
                "stand-in for the certificate manager (TovalSet demo and tests), not the real tool.\n"
                "usage: certmgr /add /c  <file> /s  <store>");
}

std::string SystemText(DWORD code) {
    return tovalset::win32::ToAnsi(tovalset::win32::SystemErrorText(code));
}

} // namespace

int main() {
    const std::optional<AddCommand> command = ParseAddCommand(ArgumentsOf(GetCommandLineA()));
    if (!command) {
        return Usage();
    }
    const std::string& file = command->file;
    const std::string& store = command->store;

    std::vector<std::uint8_t> data;
    if (const DWORD error = tovalset::win32::ReadWholeFile(tovalset::win32::FromAnsi(file), data);
        error != ERROR_SUCCESS) {
        return Fail(kUnreadableFile, "cannot read " + file + ": " + SystemText(error));
    }
    const std::vector<std::uint8_t> der = DerOf(data);
    const UniqueCertContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    if (!certificate) {
        return Fail(kNotACertificate, file + " holds no certificate: " + SystemText(GetLastError()));
    }

    if (Mode("ask") && MessageBoxA(nullptr, ("Do you want to install this certificate?\n\n" + file).c_str(),
                                   "Security Warning (certmgr stand-in)",
                                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
        return Fail(kDeclined, "the user declined to install " + file);
    }

    // Tests of what took effect: "add-nothing" reports success and adds nothing, as a tool whose success
    // is not what it says; "machine" adds to the computer's part of the store, as an administrator does.
    if (Mode("add-nothing")) {
        return kAdded;
    }
    const DWORD location = Mode("machine") ? CERT_SYSTEM_STORE_LOCAL_MACHINE : CERT_SYSTEM_STORE_CURRENT_USER;

    // The user's own registry part of the store, where an add lands anyway. The whole system store would
    // also bring in the machine's part, which Wine fills from the host's CA bundle at every start: a
    // quarter of a second per certificate, paid eight times per click.
    const UniqueCertStore target(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location, store.c_str()));
    if (!target) {
        return Fail(kStoreError, "cannot open the store " + store + ": " + SystemText(GetLastError()));
    }
    if (!CertAddEncodedCertificateToStore(target.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr)) {
        return Fail(kStoreError, "cannot add " + file + " to " + store + ": " + SystemText(GetLastError()));
    }
    return kAdded;
}

// A stand-in for the certificate manager that administrators put into the support folder, so that the
// certificate buttons can be run and tested for real. It takes exactly the command that TovalSet gives:
//     certmgr /add /c  <file> /s  <store>
// and adds the certificate in <file> (DER or PEM) to the current user's system store <store>, replacing
// a copy that is already there. It also takes the undo's delete:
//     certmgr /del /c /sha1 <thumbprint> /s <store>
// and takes the certificate with that SHA-1 thumbprint out of the current user's registry part of <store>.
// With TOVALSET_CERTMGR_MODE=ask it first asks, as Windows does before a certificate goes into or out of
// the user's root store, and changes nothing when the answer is No.
#include <windows.h>
#include <wincrypt.h>

#include "support/certmgr/CertHandles.h"
#include "support/certmgr/Input.h"
#include "platform/CertificateFile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Text.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

enum ExitCode : int {
    kAdded = 0,
    kDeleted = 0,
    kBadCommandLine = 1,
    kUnreadableFile = 2,
    kNotACertificate = 3,
    kStoreError = 4,
    kDeclined = 5,
    kNotInStore = 6,
};

bool Mode(const char* wanted) {
    char mode[16] = {};
    return GetEnvironmentVariableA("TOVALSET_CERTMGR_MODE", mode, sizeof mode) != 0 &&
           lstrcmpA(mode, wanted) == 0;
}

using tovalset::DerOf;
using tovalset::certmgr::AddCommand;
using tovalset::certmgr::ArgumentsOf;
using tovalset::certmgr::DeleteCommand;
using tovalset::certmgr::ParseAddCommand;
using tovalset::certmgr::ParseDeleteCommand;
using tovalset::win32::UniqueCertContext;
using tovalset::win32::UniqueCertStore;

int Fail(int code, const std::string& reason) {
    std::fprintf(stderr, "certmgr: %s\n", reason.c_str());
    return code;
}

int Usage() {
    return Fail(kBadCommandLine,
                "stand-in for the certificate manager (TovalSet demo and tests), not the real tool.\n"
                "usage: certmgr /add /c  <file> /s  <store>\n"
                "       certmgr /del /c /sha1 <thumbprint> /s <store>");
}

std::string SystemText(DWORD code) {
    return tovalset::win32::ToAnsi(tovalset::win32::SystemErrorText(code));
}

// The stand-in's store in the location its mode names: the user's own registry part, or the computer's.
DWORD Location() {
    return Mode("machine") ? CERT_SYSTEM_STORE_LOCAL_MACHINE : CERT_SYSTEM_STORE_CURRENT_USER;
}

UniqueCertStore OpenStore(const std::string& store) {
    return UniqueCertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, Location(), store.c_str()));
}

std::string Hex(const std::array<std::uint8_t, 20>& thumbprint) {
    std::string hex;
    for (const std::uint8_t byte : thumbprint) {
        hex += "0123456789ABCDEF"[byte >> 4];
        hex += "0123456789ABCDEF"[byte & 0xF];
    }
    return hex;
}

// Whether the store, opened afresh, holds the certificate: what another process would see now.
enum class Held { Yes, No, Unknown };
Held Holds(const std::string& store, const std::array<std::uint8_t, 20>& thumbprint, DWORD& error) {
    const UniqueCertStore opened = OpenStore(store);
    if (!opened) {
        error = GetLastError();
        return Held::Unknown;
    }
    std::array<std::uint8_t, 20> wanted = thumbprint;
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(wanted.size()), wanted.data()};
    const UniqueCertContext found(CertFindCertificateInStore(
        opened.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
    return found ? Held::Yes : Held::No;
}

int Delete(const DeleteCommand& command) {
    const std::string hex = Hex(command.thumbprint);
    if (Mode("ask") &&
        MessageBoxA(
            nullptr,
            ("Do you want to DELETE this certificate from the store?\n\nThumbprint (sha1): " + hex).c_str(),
            "Security Warning (certmgr stand-in)", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
        return Fail(kDeclined, "the user declined to delete " + hex);
    }
    if (Mode("add-nothing")) {
        return kDeleted;
    }
    DWORD error = ERROR_SUCCESS;
    {
        const UniqueCertStore store = OpenStore(command.store);
        if (!store) {
            return Fail(kStoreError,
                        "cannot open the store " + command.store + ": " + SystemText(GetLastError()));
        }
        std::array<std::uint8_t, 20> wanted = command.thumbprint;
        CRYPT_HASH_BLOB blob{static_cast<DWORD>(wanted.size()), wanted.data()};
        UniqueCertContext found(CertFindCertificateInStore(
            store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
        if (!found) {
            return Fail(kNotInStore, hex + " is not in " + command.store);
        }
        // The delete frees the context, whether it succeeds or not.
        if (!CertDeleteCertificateFromStore(found.release())) {
            return Fail(kStoreError, "cannot delete " + hex + ": " + SystemText(GetLastError()));
        }
        // Wine's crypt32 writes a delete back only when the store is committed or closed: both, so that
        // what the store holds when we exit is what we say.
        CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    Held held = Holds(command.store, command.thumbprint, error);
    if (held == Held::Yes) {
        // Where Wine still keeps it, the certificate's own key in the registry part goes: that key is
        // the certificate there.
        const std::string key =
            "Software\\Microsoft\\SystemCertificates\\" + command.store + "\\Certificates\\" + hex;
        const HKEY root =
            Location() == CERT_SYSTEM_STORE_LOCAL_MACHINE ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        const LONG status = RegDeleteKeyA(root, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            return Fail(kStoreError, "cannot delete " + hex + ": " + SystemText(static_cast<DWORD>(status)));
        }
        held = Holds(command.store, command.thumbprint, error);
    }
    if (held == Held::Unknown) {
        return Fail(kStoreError, "cannot open the store " + command.store + " again: " + SystemText(error));
    }
    if (held == Held::Yes) {
        return Fail(kStoreError, hex + " is still in " + command.store + " after its delete");
    }
    return kDeleted;
}

} // namespace

int main() {
    const std::string arguments = ArgumentsOf(GetCommandLineA());
    if (const std::optional<DeleteCommand> deletion = ParseDeleteCommand(arguments)) {
        return Delete(*deletion);
    }
    const std::optional<AddCommand> command = ParseAddCommand(arguments);
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
    // The user's own registry part of the store, where an add lands anyway. The whole system store would
    // also bring in the machine's part, which Wine fills from the host's CA bundle at every start: a
    // quarter of a second per certificate, paid eight times per click.
    const UniqueCertStore target = OpenStore(store);
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

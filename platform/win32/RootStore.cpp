// Whether the system will trust a certificate that the certificate manager said it added: its file read
// again, its thumbprint looked up in the machine's and the user's parts of the trusted root store.
#include <windows.h>
#include <wincrypt.h>

#include "platform/CertificateFile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tovalset::win32 {

namespace {

// A CA certificate is a few kilobytes; anything this large is no certificate, and is not read into memory.
constexpr DWORD kMaxCertificateFileBytes = 1024 * 1024;

// CryptoAPI, loaded on first use: most runs never import a certificate, and crypt32 is not one of the
// system's known DLLs, so a bare name would be looked for beside the exe first, in whatever folder the user
// unpacked TovalSet to.
struct CryptoApi {
    SystemLibrary module;
    decltype(&::CertOpenStore) openStore = nullptr;
    decltype(&::CertCloseStore) closeStore = nullptr;
    decltype(&::CertFindCertificateInStore) findCertificate = nullptr;
    decltype(&::CertCreateCertificateContext) createContext = nullptr;
    decltype(&::CertFreeCertificateContext) freeContext = nullptr;
    DWORD loadError = ERROR_SUCCESS;
};

template <typename Function>
bool Resolve(const SystemLibrary& library, const char* name, Function& function) {
    function = library.Proc<Function>(name);
    return function != nullptr;
}

CryptoApi LoadCryptoApi() {
    CryptoApi api{SystemLibrary(L"crypt32.dll")};
    const SystemLibrary& m = api.module;
    if (!m) {
        api.loadError = m.error();
    } else if (!Resolve(m, "CertOpenStore", api.openStore) || !Resolve(m, "CertCloseStore", api.closeStore) ||
               !Resolve(m, "CertFindCertificateInStore", api.findCertificate) ||
               !Resolve(m, "CertCreateCertificateContext", api.createContext) ||
               !Resolve(m, "CertFreeCertificateContext", api.freeContext)) {
        api.loadError = ERROR_PROC_NOT_FOUND;
    }
    return api;
}

const CryptoApi& Crypto() {
    static const CryptoApi api = LoadCryptoApi();
    return api;
}

// Owners for what the run-time loaded library hands out; they close through it.
struct StoreTraits {
    static HCERTSTORE invalid() { return nullptr; }
    // cppcheck-suppress constParameter
    static bool valid(HCERTSTORE store) { return store != nullptr; }
    static void close(HCERTSTORE store) { Crypto().closeStore(store, 0); }
};
struct ContextTraits {
    static PCCERT_CONTEXT invalid() { return nullptr; }
    static bool valid(PCCERT_CONTEXT context) { return context != nullptr; }
    static void close(PCCERT_CONTEXT context) { Crypto().freeContext(context); }
};
using Store = UniqueResource<HCERTSTORE, StoreTraits>;
using Context = UniqueResource<PCCERT_CONTEXT, ContextTraits>;

// Whether CryptoAPI takes the DER data for a certificate.
bool IsCertificate(const CryptoApi& api, const std::vector<std::uint8_t>& der) {
    return !der.empty() && Context(api.createContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size())));
}

enum class Found { Yes, No, StoreUnopened };

// Looks the thumbprint up in one store, opened read-only. A store that is not there holds nothing.
Found FindIn(const CryptoApi& api, LPCSTR provider, DWORD location, std::vector<BYTE>& thumbprint,
             DWORD& error, const wchar_t* name = L"ROOT") {
    const Store store(api.openStore(provider, 0, 0, location | CERT_STORE_READONLY_FLAG, name));
    if (!store) {
        error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? Found::No : Found::StoreUnopened;
    }
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(thumbprint.size()), thumbprint.data()};
    const Context found(api.findCertificate(store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                            CERT_FIND_SHA1_HASH, &blob, nullptr));
    return found ? Found::Yes : Found::No;
}

} // namespace

PlatformOps::RootLookup Win32Platform::LookUpRootCertificate(const std::wstring& certificateFile) {
    std::vector<std::uint8_t> data;
    if (const DWORD error = ReadWholeFile(certificateFile, data, kMaxCertificateFileBytes);
        error != ERROR_SUCCESS) {
        return {RootStanding::FileUnreadable, SystemErrorText(error)};
    }
    RootLookup lookup{RootStanding::NotInStore};
    lookup.der = DerOf(data);
    lookup.thumbprint = Sha1(lookup.der);
    const CryptoApi& api = Crypto();
    if (api.loadError != ERROR_SUCCESS) {
        lookup.standing = RootStanding::StoreUnreadable;
        lookup.reason = SystemErrorText(api.loadError);
        return lookup;
    }
    if (!IsCertificate(api, lookup.der)) {
        lookup.standing = RootStanding::NoCertificate;
        return lookup;
    }
    std::vector<BYTE> thumbprint(lookup.thumbprint.begin(), lookup.thumbprint.end());
    // Untrusted first: it outweighs wherever the root store holds the certificate. The computer's store
    // (its own and policy's) is asked alone; the user's merged view also holds the computer's.
    DWORD distrustError = ERROR_SUCCESS;
    const Found computer = FindIn(api, CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_LOCAL_MACHINE, thumbprint,
                                  distrustError, L"Disallowed");
    const Found user = computer == Found::Yes
                           ? Found::No
                           : FindIn(api, CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_CURRENT_USER, thumbprint,
                                    distrustError, L"Disallowed");
    if (computer == Found::Yes) {
        lookup.distrust = Distrust::ComputerStore;
    } else if (user == Found::Yes) {
        lookup.distrust = Distrust::UserStore;
    } else if (computer == Found::StoreUnopened || user == Found::StoreUnopened) {
        lookup.distrust = Distrust::Unknown;
        lookup.distrustReason = SystemErrorText(distrustError);
    }
    // The user's own registry part first: it is where the certificate manager adds, and it is read in a
    // few milliseconds, while the machine's part holds every root the computer trusts. A user who may not
    // read a part has nothing there that we could tell of.
    DWORD ownError = ERROR_SUCCESS;
    const Found own =
        FindIn(api, CERT_STORE_PROV_SYSTEM_REGISTRY_W, CERT_SYSTEM_STORE_CURRENT_USER, thumbprint, ownError);
    // The machine's part: the computer's own roots, group policy's and the enterprise's.
    DWORD error = ERROR_SUCCESS;
    if (FindIn(api, CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_LOCAL_MACHINE, thumbprint, error) ==
        Found::Yes) {
        lookup.standing = RootStanding::MachinePart;
        return lookup;
    }
    if (own == Found::Yes) {
        lookup.standing = RootStanding::UserPartOnly;
        return lookup;
    }
    // What else the system trusts for the user (the user's group policy roots). A policy that stops trust in
    // the user's own roots leaves them out of this merged store, which is why the own part is asked alone.
    const Found merged =
        FindIn(api, CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_CURRENT_USER, thumbprint, error);
    if (merged == Found::Yes) {
        lookup.standing = RootStanding::UserPartOnly;
    } else if (merged == Found::StoreUnopened && own == Found::StoreUnopened) {
        lookup.standing = RootStanding::StoreUnreadable;
        lookup.reason = SystemErrorText(error);
    }
    return lookup;
}

namespace {

// One part of the root store asked by thumbprint alone, for the undo: a part that is not there holds nothing.
PlatformOps::PartLookup FindInPart(LPCSTR provider, DWORD location, const Thumbprint& thumbprint) {
    const CryptoApi& api = Crypto();
    if (api.loadError != ERROR_SUCCESS) {
        return {PlatformOps::Held::Unreadable, SystemErrorText(api.loadError)};
    }
    std::vector<BYTE> wanted(thumbprint.begin(), thumbprint.end());
    DWORD error = ERROR_SUCCESS;
    switch (FindIn(api, provider, location, wanted, error)) {
    case Found::Yes:
        return {PlatformOps::Held::Yes};
    case Found::No:
        return {PlatformOps::Held::No};
    case Found::StoreUnopened:
        break;
    }
    return {PlatformOps::Held::Unreadable, SystemErrorText(error)};
}

} // namespace

PlatformOps::PartLookup Win32Platform::FindInUserRoots(const Thumbprint& thumbprint) {
    // The user's registry part alone: the system store of the current user would also show the
    // computer's roots.
    return FindInPart(CERT_STORE_PROV_SYSTEM_REGISTRY_W, CERT_SYSTEM_STORE_CURRENT_USER, thumbprint);
}

PlatformOps::PartLookup Win32Platform::FindInComputerRoots(const Thumbprint& thumbprint) {
    return FindInPart(CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_LOCAL_MACHINE, thumbprint);
}

} // namespace tovalset::win32

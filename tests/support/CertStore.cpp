#include "tests/support/CertStore.h"

#include <wincrypt.h>

#include "platform/CertificateFile.h"
#include "support/certmgr/CertHandles.h"
#include "tests/support/TestSupport.h"

namespace tovalset::test {

std::vector<std::uint8_t> Der(const std::string& path) {
    const std::string data = FileText(path);
    return DerOf({data.begin(), data.end()});
}

std::vector<BYTE> Thumbprint(const std::string& path) {
    const std::vector<std::uint8_t> der = Der(path);
    if (der.empty()) {
        return {};
    }
    const auto hash = Sha1(der);
    return {hash.begin(), hash.end()};
}

bool InStore(const char* store, const std::vector<BYTE>& thumbprint) {
    const win32::UniqueCertStore opened(CertOpenSystemStoreA(0, store));
    if (!opened) {
        return false;
    }
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(thumbprint.size()), const_cast<BYTE*>(thumbprint.data())};
    const win32::UniqueCertContext found(CertFindCertificateInStore(
        opened.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
    return static_cast<bool>(found);
}

bool AddToUserStore(const char* store, const std::string& path) {
    const std::vector<std::uint8_t> der = Der(path);
    const win32::UniqueCertStore opened(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store));
    return opened && CertAddEncodedCertificateToStore(opened.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                      der.data(), static_cast<DWORD>(der.size()),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
}

bool RemoveFromUserStore(const char* store, const std::string& path) {
    const win32::UniqueCertStore opened(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store));
    if (!opened) {
        return false;
    }
    std::vector<BYTE> thumbprint = Thumbprint(path);
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(thumbprint.size()), thumbprint.data()};
    win32::UniqueCertContext found(CertFindCertificateInStore(
        opened.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr));
    // Deleting frees the context, whether it succeeds or not.
    return !found || CertDeleteCertificateFromStore(found.release()) != FALSE;
}

std::set<std::vector<BYTE>> UserStoreThumbprints(const char* store) {
    std::set<std::vector<BYTE>> thumbprints;
    const win32::UniqueCertStore opened(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store));
    if (!opened) {
        return thumbprints;
    }
    // The enumeration frees each context as it goes on to the next.
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(opened.get(), nullptr); context != nullptr;
         context = CertEnumCertificatesInStore(opened.get(), context)) {
        std::vector<BYTE> hash(20);
        DWORD size = static_cast<DWORD>(hash.size());
        if (CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, hash.data(), &size)) {
            hash.resize(size);
            thumbprints.insert(hash);
        }
    }
    return thumbprints;
}

} // namespace tovalset::test

#include "tests/support/CertStore.h"

#include <wincrypt.h>

#include "support/certmgr/CertHandles.h"
#include "tests/support/TestSupport.h"

namespace tovalset::test {

std::string Der(const std::string& path) {
    std::string data = ReadFile(path);
    if (data.find("-----BEGIN") != std::string::npos) {
        DWORD size = 0;
        CryptStringToBinaryA(data.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr);
        std::string der(size, '\0');
        CryptStringToBinaryA(data.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()),
                             &size, nullptr, nullptr);
        data = der;
    }
    return data;
}

// The SHA-1 thumbprint of a certificate file, as CryptoAPI computes it; empty when it holds none.
std::vector<BYTE> Thumbprint(const std::string& path) {
    const std::string data = Der(path);
    BYTE hash[20] = {};
    DWORD size = sizeof hash;
    if (!CryptHashCertificate(0, CALG_SHA1, 0, reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()), hash, &size)) {
        return {};
    }
    return {hash, hash + size};
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
    const std::string data = Der(path);
    const win32::UniqueCertStore opened(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store));
    return opened && CertAddEncodedCertificateToStore(opened.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                                      reinterpret_cast<const BYTE*>(data.data()),
                                                      static_cast<DWORD>(data.size()),
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
}

} // namespace tovalset::test

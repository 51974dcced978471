#pragma once
// Owners for CryptoAPI's stores and certificate contexts.

#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/Handles.h"

namespace tovalset::win32 {

struct CertStoreTraits {
    static HCERTSTORE invalid() { return nullptr; }
    static bool valid(HCERTSTORE h) { return h != nullptr; }
    static void close(HCERTSTORE h) { ::CertCloseStore(h, 0); }
};
struct CertContextTraits {
    static PCCERT_CONTEXT invalid() { return nullptr; }
    static bool valid(PCCERT_CONTEXT h) { return h != nullptr; }
    static void close(PCCERT_CONTEXT h) { ::CertFreeCertificateContext(h); }
};
using UniqueCertStore = UniqueResource<HCERTSTORE, CertStoreTraits>;
using UniqueCertContext = UniqueResource<PCCERT_CONTEXT, CertContextTraits>;

} // namespace tovalset::win32

#pragma once
// Owners for CryptoAPI's stores and certificate contexts.

#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/Handles.h"

namespace tovalset::win32 {

inline void CloseCertStore(HCERTSTORE store) {
    ::CertCloseStore(store, 0);
}

using UniqueCertStore = UniqueResource<HCERTSTORE, NullHandleTraits<HCERTSTORE, &CloseCertStore>>;
using UniqueCertContext =
    UniqueResource<PCCERT_CONTEXT, NullHandleTraits<PCCERT_CONTEXT, &::CertFreeCertificateContext>>;

} // namespace tovalset::win32

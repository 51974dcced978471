#pragma once
// What the current user's certificate stores hold, for the tests.

#include <windows.h>

#include <string>
#include <vector>

namespace tovalset::test {

// The SHA-1 thumbprint of a certificate file (DER or PEM), as CryptoAPI computes it; empty for no
// certificate.
std::vector<BYTE> Thumbprint(const std::string& path);
bool InStore(const char* store, const std::vector<BYTE>& thumbprint);

} // namespace tovalset::test

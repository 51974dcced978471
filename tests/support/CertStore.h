#pragma once
// What the current user's certificate stores hold, for the tests.

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tovalset::test {

// A certificate file's bytes, PEM decoded to DER.
std::vector<std::uint8_t> Der(const std::string& path);
// The SHA-1 thumbprint of a certificate file (DER or PEM); empty when it holds nothing.
std::vector<BYTE> Thumbprint(const std::string& path);
bool InStore(const char* store, const std::vector<BYTE>& thumbprint);
// Puts a certificate file into the current user's registry part of a store, as the stand-in does.
bool AddToUserStore(const char* store, const std::string& path);
// Takes it out of there again; true when it is no longer there.
bool RemoveFromUserStore(const char* store, const std::string& path);
// The thumbprints of every certificate in the current user's registry part of a store, as CryptoAPI hashes
// them: a set compares what the store holds, whatever Wine rewrites in each certificate's blob.
std::set<std::vector<BYTE>> UserStoreThumbprints(const char* store);

} // namespace tovalset::test

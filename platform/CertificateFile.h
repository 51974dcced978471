#pragma once
// A certificate file as the certificate manager stand-in and the root store look-up read it, and the
// thumbprint by which a store knows its certificate. Portable: the host fuzzes the decoding and checks the
// hash.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovalset {

// PEM text becomes the DER bytes of its first block; anything without a "-----BEGIN" is taken as DER as it
// stands. Empty when the block is cut short or is not Base64.
std::vector<std::uint8_t> DerOf(const std::vector<std::uint8_t>& data);

// The SHA-1 of the bytes: of a certificate's whole DER encoding, its thumbprint.
std::array<std::uint8_t, 20> Sha1(const std::vector<std::uint8_t>& bytes);

// What the status report says of a certificate: its subject's common name (empty when it has none) and
// the end of its validity, in UTC, as "yyyy-mm-dd hh:mm:ss".
struct CertificateSummary {
    std::wstring commonName;
    std::string notAfter;
};
// None when the DER bytes are not an X.509 certificate as far as these two fields go.
std::optional<CertificateSummary> Summarize(const std::vector<std::uint8_t>& der);

} // namespace tovalset

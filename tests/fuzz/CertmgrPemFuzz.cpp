// libFuzzer target for the reader of certificate files that the stand-in certificate manager and the root
// store look-up share: any file, and any bytes written as PEM in lines of any width, which must read back as
// those bytes.
//
// Input layout: the file as it is. For the round trip the first byte also gives the line width (1 to 128)
// and, in its top bit, CR LF line ends; the rest are the bytes.

#include "platform/CertificateFile.h"
#include "tests/fuzz/Promise.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using tovalset::DerOf;

namespace {

void Require(bool holds, const char* promise) {
    tovalset::fuzz::Require(holds, "CertmgrPemFuzz", promise);
}

std::vector<std::uint8_t> Pem(const std::vector<std::uint8_t>& der, std::size_t width, const char* lineEnd) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (std::size_t i = 0; i < der.size(); i += 3) {
        const std::uint32_t group = (der[i] << 16) | (i + 1 < der.size() ? der[i + 1] << 8 : 0) |
                                    (i + 2 < der.size() ? der[i + 2] : 0);
        base64 += kAlphabet[(group >> 18) & 63];
        base64 += kAlphabet[(group >> 12) & 63];
        base64 += i + 1 < der.size() ? kAlphabet[(group >> 6) & 63] : '=';
        base64 += i + 2 < der.size() ? kAlphabet[group & 63] : '=';
    }
    std::string text = std::string("-----BEGIN CERTIFICATE-----") + lineEnd;
    for (std::size_t at = 0; at < base64.size(); at += width) {
        text += base64.substr(at, width) + lineEnd;
    }
    text += std::string("-----END CERTIFICATE-----") + lineEnd;
    return {text.begin(), text.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> file(data, data + size);
    const std::vector<std::uint8_t> read = DerOf(file);
    if (std::string(file.begin(), file.end()).find("-----BEGIN") == std::string::npos) {
        Require(read == file, "a file without a PEM block is taken as DER as it stands");
    } else if (!read.empty()) {
        Require(DerOf(Pem(read, 64, "\n")) == read,
                "what a PEM block reads as, written again, reads the same");
    }

    if (size == 0) {
        return 0;
    }
    const std::vector<std::uint8_t> der(data + 1, data + size);
    const std::size_t width = (data[0] & 0x7f) + 1u;
    const std::vector<std::uint8_t> pem = Pem(der, width, (data[0] & 0x80) != 0 ? "\r\n" : "\n");
    Require(DerOf(pem) == der, "bytes written as PEM read back as those bytes");
    return 0;
}

#include "platform/CertificateFile.h"

#include <cstddef>
#include <string>

namespace tovalset {

namespace {

// The 6-bit value of a Base64 character, or -1.
int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Base64 with line breaks and blanks anywhere, in groups of four characters; '=' pads the last group from
// its third character on, and nothing follows it.
std::vector<std::uint8_t> DecodeBase64(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t group = 0;
    int count = 0;
    int padding = 0;
    bool ended = false;
    for (const char c : text) {
        if (IsBlank(c)) {
            continue;
        }
        const bool pad = c == '=';
        const int value = pad ? 0 : Sextet(c);
        if (ended || value < 0 || (pad ? count < 2 : padding > 0)) {
            return {};
        }
        padding += pad ? 1 : 0;
        group = (group << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            for (int i = 0; i < 3 - padding; ++i) {
                bytes.push_back(static_cast<std::uint8_t>(group >> (16 - 8 * i)));
            }
            ended = padding > 0;
            group = 0;
            count = 0;
            padding = 0;
        }
    }
    return count == 0 ? bytes : std::vector<std::uint8_t>();
}

std::uint32_t RotateLeft(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

} // namespace

std::vector<std::uint8_t> DerOf(const std::vector<std::uint8_t>& data) {
    const std::string text(data.begin(), data.end());
    const std::string begin = "-----BEGIN";
    const std::size_t beginAt = text.find(begin);
    if (beginAt == std::string::npos) {
        return data;
    }
    // The header line ends with its own five dashes; the block runs up to the "-----END" line.
    const std::size_t headerEnd = text.find("-----", beginAt + begin.size());
    if (headerEnd == std::string::npos) {
        return {};
    }
    const std::size_t body = headerEnd + 5;
    const std::size_t end = text.find("-----END", body);
    if (end == std::string::npos) {
        return {};
    }
    return DecodeBase64(text.substr(body, end - body));
}

std::array<std::uint8_t, 20> Sha1(const std::vector<std::uint8_t>& bytes) {
    // The message padded to whole 64-byte blocks: a 1 bit, zeros, and its length in bits (big-endian).
    std::vector<std::uint8_t> message(bytes);
    message.push_back(0x80);
    while (message.size() % 64 != 56) {
        message.push_back(0);
    }
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int shift = 56; shift >= 0; shift -= 8) {
        message.push_back(static_cast<std::uint8_t>(bits >> shift));
    }

    std::array<std::uint32_t, 5> h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::array<std::uint32_t, 80> w{};
        for (std::size_t i = 0; i < 16; ++i) {
            const std::size_t at = block + 4 * i;
            w[i] = (std::uint32_t{message[at]} << 24) | (std::uint32_t{message[at + 1]} << 16) |
                   (std::uint32_t{message[at + 2]} << 8) | std::uint32_t{message[at + 3]};
        }
        for (std::size_t i = 16; i < 80; ++i) {
            w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        }
        std::uint32_t a = h[0];
        std::uint32_t b = h[1];
        std::uint32_t c = h[2];
        std::uint32_t d = h[3];
        std::uint32_t e = h[4];
        for (std::size_t i = 0; i < 80; ++i) {
            std::uint32_t f = 0;
            std::uint32_t k = 0;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const std::uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = RotateLeft(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }

    std::array<std::uint8_t, 20> digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    }
    return digest;
}

} // namespace tovalset

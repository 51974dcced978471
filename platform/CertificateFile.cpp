#include "platform/CertificateFile.h"

#include <algorithm>
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

namespace {

// One DER element: its tag, and where its contents lie in the bytes.
struct Element {
    std::uint8_t tag = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
};

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kSet = 0x31;
constexpr std::uint8_t kObjectId = 0x06;
constexpr std::uint8_t kVersionTag = 0xA0;
constexpr std::uint8_t kUtcTime = 0x17;
constexpr std::uint8_t kGeneralizedTime = 0x18;

// The element at `at`, which must end by `end`; none when it is cut short or its length is not DER's.
std::optional<Element> ElementAt(const std::vector<std::uint8_t>& der, std::size_t at, std::size_t end) {
    if (at + 2 > end) {
        return std::nullopt;
    }
    Element element;
    element.tag = der[at];
    std::size_t length = der[at + 1];
    std::size_t next = at + 2;
    if ((length & 0x80) != 0) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || next + count > end) {
            return std::nullopt;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i) {
            length = (length << 8) | der[next + i];
        }
        next += count;
    }
    if (length > end - next) {
        return std::nullopt;
    }
    element.begin = next;
    element.end = next + length;
    return element;
}

// The children of a constructed element, in order; none when one of them is malformed.
std::optional<std::vector<Element>> Children(const std::vector<std::uint8_t>& der, const Element& parent) {
    std::vector<Element> children;
    for (std::size_t at = parent.begin; at < parent.end;) {
        const auto child = ElementAt(der, at, parent.end);
        if (!child) {
            return std::nullopt;
        }
        children.push_back(*child);
        at = child->end;
    }
    return children;
}

// UTF-8 text as wide characters; a sequence that is not UTF-8 becomes U+FFFD.
std::wstring FromUtf8(const std::vector<std::uint8_t>& der, const Element& text) {
    std::wstring wide;
    for (std::size_t at = text.begin; at < text.end;) {
        const std::uint8_t lead = der[at];
        const std::size_t extra = lead < 0x80           ? 0
                                  : (lead >> 5) == 0x6  ? 1
                                  : (lead >> 4) == 0xE  ? 2
                                  : (lead >> 3) == 0x1E ? 3
                                                        : 4;
        std::uint32_t code = extra == 0   ? lead
                             : extra == 1 ? (lead & 0x1F)
                             : extra == 2 ? (lead & 0x0F)
                                          : (lead & 0x07);
        bool valid = extra < 4 && at + extra < text.end;
        for (std::size_t i = 1; valid && i <= extra; ++i) {
            valid = at + i < text.end && (der[at + i] & 0xC0) == 0x80;
            code = (code << 6) | (der[at + i] & 0x3F);
        }
        if (!valid || code > 0x10FFFF) {
            wide += L'\xFFFD';
            ++at;
            continue;
        }
        if (code >= 0x10000 && sizeof(wchar_t) == 2) {
            code -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (code >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(code);
        }
        at += extra + 1;
    }
    return wide;
}

// A directory string of a name as wide text: UTF-8, BMP (UCS-2, big-endian), or one byte per character.
std::wstring DirectoryString(const std::vector<std::uint8_t>& der, const Element& value) {
    constexpr std::uint8_t kUtf8String = 0x0C;
    constexpr std::uint8_t kBmpString = 0x1E;
    if (value.tag == kUtf8String) {
        return FromUtf8(der, value);
    }
    std::wstring wide;
    if (value.tag == kBmpString) {
        for (std::size_t at = value.begin; at + 1 < value.end; at += 2) {
            wide += static_cast<wchar_t>((der[at] << 8) | der[at + 1]);
        }
        return wide;
    }
    for (std::size_t at = value.begin; at < value.end; ++at) {
        wide += static_cast<wchar_t>(der[at]);
    }
    return wide;
}

// The last common name (2.5.4.3) in a Name, as Windows shows the most particular one; empty without one.
std::optional<std::wstring> CommonName(const std::vector<std::uint8_t>& der, const Element& name) {
    const std::array<std::uint8_t, 3> commonName = {0x55, 0x04, 0x03};
    const auto sets = Children(der, name);
    if (name.tag != kSequence || !sets) {
        return std::nullopt;
    }
    std::wstring found;
    for (const Element& set : *sets) {
        const auto attributes = Children(der, set);
        if (set.tag != kSet || !attributes) {
            return std::nullopt;
        }
        for (const Element& attribute : *attributes) {
            const auto parts = Children(der, attribute);
            if (attribute.tag != kSequence || !parts || parts->size() != 2 || (*parts)[0].tag != kObjectId) {
                return std::nullopt;
            }
            const Element& type = (*parts)[0];
            if (type.end - type.begin == commonName.size() &&
                std::equal(commonName.begin(), commonName.end(),
                           der.begin() + static_cast<std::ptrdiff_t>(type.begin))) {
                found = DirectoryString(der, (*parts)[1]);
            }
        }
    }
    return found;
}

// A UTCTime (yymmddhhmmssZ; years 50 to 99 are 1950 to 1999) or GeneralizedTime (yyyymmddhhmmssZ) as
// "yyyy-mm-dd hh:mm:ss".
std::optional<std::string> TimeText(const std::vector<std::uint8_t>& der, const Element& time) {
    std::string digits(der.begin() + static_cast<std::ptrdiff_t>(time.begin),
                       der.begin() + static_cast<std::ptrdiff_t>(time.end));
    const std::size_t expected = time.tag == kUtcTime ? 13 : time.tag == kGeneralizedTime ? 15 : 0;
    if (expected == 0 || digits.size() != expected || digits.back() != 'Z' ||
        digits.find_first_not_of("0123456789") != expected - 1) {
        return std::nullopt;
    }
    if (time.tag == kUtcTime) {
        digits.insert(0, digits[0] >= '5' ? "19" : "20");
    }
    return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2) + " " +
           digits.substr(8, 2) + ":" + digits.substr(10, 2) + ":" + digits.substr(12, 2);
}

} // namespace

std::optional<CertificateSummary> Summarize(const std::vector<std::uint8_t>& der) {
    const auto certificate = ElementAt(der, 0, der.size());
    if (!certificate || certificate->tag != kSequence) {
        return std::nullopt;
    }
    const auto parts = Children(der, *certificate);
    if (!parts || parts->empty() || (*parts)[0].tag != kSequence) {
        return std::nullopt;
    }
    auto fields = Children(der, (*parts)[0]);
    if (!fields) {
        return std::nullopt;
    }
    // version (optional), serial number, signature algorithm, issuer, validity, subject.
    const std::size_t first = !fields->empty() && (*fields)[0].tag == kVersionTag ? 1 : 0;
    if (fields->size() < first + 5) {
        return std::nullopt;
    }
    const Element& validity = (*fields)[first + 3];
    const auto times = Children(der, validity);
    if (validity.tag != kSequence || !times || times->size() != 2) {
        return std::nullopt;
    }
    const auto notAfter = TimeText(der, (*times)[1]);
    const auto commonName = CommonName(der, (*fields)[first + 4]);
    if (!notAfter || !commonName) {
        return std::nullopt;
    }
    return CertificateSummary{*commonName, *notAfter};
}

} // namespace tovalset

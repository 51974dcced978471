#include "platform/ZoneMark.h"

#include "platform/Decimal.h"

#include <cctype>
#include <iterator>
#include <string>

namespace tovalset {

namespace {

// The stream as one-byte text: UTF-16 (little-endian, after its byte-order mark) keeps its ASCII, and any
// other character becomes one that no key or number holds.
std::string AsciiOf(const std::vector<std::uint8_t>& stream) {
    if (stream.size() >= 2 && stream[0] == 0xFF && stream[1] == 0xFE) {
        std::string text;
        for (std::size_t i = 2; i + 1 < stream.size(); i += 2) {
            text += stream[i + 1] == 0 && stream[i] < 0x80 ? static_cast<char>(stream[i]) : '?';
        }
        return text;
    }
    return {stream.begin(), stream.end()};
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SameLetters(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

} // namespace

std::wstring ZoneName(std::uint32_t zone) {
    constexpr const wchar_t* kNames[] = {L"Local computer", L"Local intranet", L"Trusted sites", L"Internet",
                                         L"Restricted sites"};
    return zone < std::size(kNames) ? kNames[zone] : L"zone " + std::to_wstring(zone);
}

std::optional<std::uint32_t> ZoneIdOf(const std::vector<std::uint8_t>& stream) {
    const std::string text = AsciiOf(stream);
    bool inZoneTransfer = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inZoneTransfer = SameLetters(line, "[ZoneTransfer]");
            continue;
        }
        const auto equals = line.find('=');
        if (!inZoneTransfer || equals == std::string::npos ||
            !SameLetters(Trimmed(line.substr(0, equals)), "ZoneId")) {
            continue;
        }
        const auto zone = WholeNumber(Trimmed(line.substr(equals + 1)));
        return zone ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*zone)) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace tovalset

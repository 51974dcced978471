#include "platform/CommandLine.h"

#include <algorithm>

namespace tovalset {

namespace {

bool HasExtension(const std::wstring& path) {
    const std::size_t name = path.find_last_of(L"\\/:");
    const std::size_t dot = path.find_last_of(L'.');
    return dot != std::wstring::npos && (name == std::wstring::npos || dot > name);
}

} // namespace

std::wstring ProgramFileOf(const std::wstring& commandLine) {
    std::wstring word;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const std::size_t end = commandLine.find(L'"', 1);
        word = commandLine.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    } else {
        word = commandLine.substr(0, commandLine.find_first_of(L" \t"));
    }
    if (!word.empty() && !HasExtension(word)) {
        word += L".exe";
    }
    return word;
}

namespace {

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i) {
        value = (value << 8) | bytes[at + i - 1];
    }
    return value;
}

} // namespace

std::optional<ProgramHeader> ProgramHeaderOf(const std::vector<std::uint8_t>& head) {
    constexpr std::size_t kNewHeaderAt = 0x3C;
    if (head.size() < kNewHeaderAt + 4 || head[0] != 'M' || head[1] != 'Z') {
        return std::nullopt;
    }
    const std::size_t pe = Little(head, kNewHeaderAt, 4);
    // The signature and the file header (24 bytes), then the optional header, whose subsystem is at 68 in
    // its 32-bit and its 64-bit form alike.
    const std::size_t optional = pe + 24;
    if (pe > head.size() || head.size() - pe < 24 + 70 || Little(head, pe, 4) != 0x4550) {
        return std::nullopt;
    }
    const std::uint32_t magic = Little(head, optional, 2);
    const std::uint32_t subsystem = Little(head, optional + 68, 2);
    constexpr std::uint32_t kWindowed = 2;
    constexpr std::uint32_t kConsole = 3;
    if ((magic != 0x10B && magic != 0x20B) || (subsystem != kWindowed && subsystem != kConsole)) {
        return std::nullopt;
    }
    // The data directories follow the optional header's fixed part (96 bytes in PE32, 112 in PE32+), after
    // their count; the fifth is the certificate table, a file offset and a size.
    const std::size_t count = optional + (magic == 0x10B ? 92 : 108);
    constexpr std::size_t kCertificateTable = 4;
    constexpr std::size_t kDirectoryBytes = 8;
    const std::size_t security = count + 4 + kCertificateTable * kDirectoryBytes;
    const bool signature =
        head.size() >= security + 8 && Little(head, count, 4) > 4 && Little(head, security + 4, 4) != 0;
    return ProgramHeader{subsystem == kConsole, magic == 0x10B ? 32 : 64, signature};
}

} // namespace tovalset

namespace tovalset {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Where the program's name ends.
std::size_t AfterProgramName(const std::wstring& line) {
    if (!line.empty() && line.front() == L'"') {
        const std::size_t end = line.find(L'"', 1);
        return end == std::wstring::npos ? line.size() : end + 1;
    }
    std::size_t at = 0;
    while (at < line.size() && !IsBlank(line[at])) {
        ++at;
    }
    return at;
}

// The option's name without its "/" or "-", in lower case (ASCII only: the options are ASCII).
std::wstring OptionName(const std::wstring& word) {
    std::wstring name = word.substr(1);
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) {
        return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    });
    return name;
}

} // namespace

std::vector<std::wstring> ArgumentsOf(const std::wstring& commandLine) {
    std::vector<std::wstring> words;
    std::size_t at = AfterProgramName(commandLine);
    const std::size_t end = commandLine.size();
    while (true) {
        while (at < end && IsBlank(commandLine[at])) {
            ++at;
        }
        if (at == end) {
            return words;
        }
        std::wstring word;
        bool quoted = false;
        while (at < end && (quoted || !IsBlank(commandLine[at]))) {
            const wchar_t c = commandLine[at];
            if (c == L'\\') {
                std::size_t slashes = 0;
                while (at < end && commandLine[at] == L'\\') {
                    ++slashes;
                    ++at;
                }
                const bool beforeQuote = at < end && commandLine[at] == L'"';
                word.append(beforeQuote ? slashes / 2 : slashes, L'\\');
                if (beforeQuote && slashes % 2 == 1) {
                    word += L'"';
                    ++at;
                }
            } else if (c == L'"') {
                quoted = !quoted;
                ++at;
            } else {
                word += c;
                ++at;
            }
        }
        words.push_back(word);
    }
}

Invocation InvocationOf(const std::wstring& commandLine) {
    const std::vector<std::wstring> words = ArgumentsOf(commandLine);
    if (words.empty() || words[0].empty() || (words[0][0] != L'/' && words[0][0] != L'-')) {
        return {};
    }
    const std::wstring option = OptionName(words[0]);
    Invocation asked;
    asked.mode = Invocation::Mode::Misuse;
    if (option == L"?") {
        if (words.size() == 1) {
            asked.mode = Invocation::Mode::Usage;
        } else {
            asked.problem = words[0] + L" takes nothing after it.";
        }
    } else if (option == L"report") {
        if (words.size() > 2) {
            asked.problem = words[0] + L" takes one file name; a name with blanks needs quotes.";
        } else if (words.size() == 2 && words[1].empty()) {
            asked.problem = words[0] + L" was given an empty file name.";
        } else {
            asked.mode = Invocation::Mode::Report;
            if (words.size() == 2) {
                asked.file = words[1];
            }
        }
    } else {
        asked.problem = L"Unknown option: " + words[0];
    }
    return asked;
}

} // namespace tovalset

#include "support/certmgr/Input.h"

namespace tovalset::certmgr {

std::string ArgumentsOf(const std::string& commandLine) {
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string::npos ? commandLine.size() : end + 1;
    } else {
        end = commandLine.find(' ');
        end = end == std::string::npos ? commandLine.size() : end;
    }
    return commandLine.substr(end);
}

std::optional<AddCommand> ParseAddCommand(const std::string& arguments) {
    const std::string add = " /add /c  ";
    const std::string storeSwitch = " /s  ";
    if (arguments.compare(0, add.size(), add) != 0) {
        return std::nullopt;
    }
    const std::size_t storeAt = arguments.rfind(storeSwitch);
    if (storeAt == std::string::npos || storeAt < add.size()) {
        return std::nullopt;
    }
    AddCommand command{arguments.substr(add.size(), storeAt - add.size()),
                       arguments.substr(storeAt + storeSwitch.size())};
    if (command.file.empty() || command.store.empty() || command.file.find(' ') != std::string::npos ||
        command.store.find_first_of(" \t") != std::string::npos) {
        return std::nullopt;
    }
    return command;
}

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

} // namespace tovalset::certmgr

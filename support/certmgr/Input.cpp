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

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::optional<DeleteCommand> ParseDeleteCommand(const std::string& arguments) {
    const std::string del = " /del /c /sha1 ";
    const std::string storeSwitch = " /s ";
    DeleteCommand command{};
    const std::size_t digits = 2 * command.thumbprint.size();
    if (arguments.compare(0, del.size(), del) != 0 || arguments.size() < del.size() + digits ||
        arguments.compare(del.size() + digits, storeSwitch.size(), storeSwitch) != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < command.thumbprint.size(); ++i) {
        const int high = HexDigit(arguments[del.size() + 2 * i]);
        const int low = HexDigit(arguments[del.size() + 2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        command.thumbprint[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    command.store = arguments.substr(del.size() + digits + storeSwitch.size());
    if (command.store.empty() || command.store.find_first_of(" \t") != std::string::npos) {
        return std::nullopt;
    }
    return command;
}

} // namespace tovalset::certmgr

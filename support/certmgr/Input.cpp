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

} // namespace tovalset::certmgr

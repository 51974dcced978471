#pragma once
// What the certificate manager stand-in reads from outside, in portable code that the host fuzzes: its
// own command line. The certificate file it reads as the root store look-up does
// (platform/CertificateFile.h).

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tovalset::certmgr {

// The command line after the program's own name (its quoted first part, or its first word), from the
// blank that follows the name on.
std::string ArgumentsOf(const std::string& commandLine);

struct AddCommand {
    std::string file;
    std::string store;
};

// The one command the stand-in takes, exactly as TovalSet gives it: " /add /c  <file> /s  <store>", with
// no blank in the file and no blank or tab in the store. Nothing for any other line.
std::optional<AddCommand> ParseAddCommand(const std::string& arguments);

struct DeleteCommand {
    std::array<std::uint8_t, 20> thumbprint;
    std::string store;
};

// The delete, as the undo gives it: " /del /c /sha1 <thumbprint> /s <store>", the thumbprint in 40 hex
// digits of either case, the store one word. Nothing for any other line: the tool's own form without
// /sha1 asks for an index on its console, which a hidden run never answers.
std::optional<DeleteCommand> ParseDeleteCommand(const std::string& arguments);

} // namespace tovalset::certmgr

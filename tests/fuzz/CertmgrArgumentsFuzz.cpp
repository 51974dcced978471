// libFuzzer target for the certificate manager stand-in's command line: any line, taken apart into the
// program's name and its arguments, and the arguments read as the one command the stand-in takes.
//
// Input layout: the command line, a NUL, then a file name and a store name separated by another NUL;
// those two, stripped of blanks, must come back out of the command built from them.

#include "support/certmgr/Input.h"
#include "tests/fuzz/Promise.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

using namespace tovalset::certmgr;

namespace {

void Require(bool holds, const char* promise) {
    tovalset::fuzz::Require(holds, "CertmgrArgumentsFuzz", promise);
}

std::string WithoutBlanks(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; }),
               text.end());
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t first = input.find('\0');
    const std::string line = input.substr(0, first);

    const std::string arguments = ArgumentsOf(line);
    Require(arguments.size() <= line.size() &&
                line.compare(line.size() - arguments.size(), std::string::npos, arguments) == 0,
            "the arguments are the end of the line");
    if (line.empty() || line[0] != '"') {
        Require(arguments.empty() || arguments[0] == ' ', "a bare name ends at the first blank");
    }
    if (const auto command = ParseAddCommand(arguments)) {
        Require(!command->file.empty() && command->file.find(' ') == std::string::npos,
                "the file is one word");
        Require(!command->store.empty() && command->store.find_first_of(" \t") == std::string::npos,
                "the store is one word");
        Require(" /add /c  " + command->file + " /s  " + command->store == arguments,
                "the command is exactly what was given");
    }

    if (const auto command = ParseDeleteCommand(arguments)) {
        Require(!command->store.empty() && command->store.find_first_of(" \t") != 0 &&
                    arguments.size() == 15 + 40 + 4 + command->store.size() &&
                    arguments.compare(0, 15, " /del /c /sha1 ") == 0,
                "the delete is exactly a thumbprint and one store");
    }

    if (first == std::string::npos) {
        return 0;
    }
    const std::string rest = input.substr(first + 1);
    const std::size_t second = rest.find('\0');
    const std::string file = WithoutBlanks(rest.substr(0, second));
    const std::string store =
        second == std::string::npos ? std::string() : WithoutBlanks(rest.substr(second + 1));
    const auto built = ParseAddCommand(" /add /c  " + file + " /s  " + store);
    Require(built.has_value() == (!file.empty() && !store.empty()), "a command of two words is taken");
    if (built) {
        Require(built->file == file && built->store == store, "the command gives back its file and store");
    }
    return 0;
}

// libFuzzer target for how a command line names the program StartProgram starts: any line of wide
// characters (two input bytes each, little-endian), quotes, blanks, tabs, dots and separators included.

#include "platform/CommandLine.h"
#include "tests/fuzz/Promise.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace tovalset;

namespace {

void Require(bool holds, const char* promise) {
    fuzz::Require(holds, "ProgramFileFuzz", promise);
}

bool HasExtension(const std::wstring& file) {
    const std::size_t name = file.find_last_of(L"\\/:");
    const std::size_t dot = file.rfind(L'.');
    return dot != std::wstring::npos && (name == std::wstring::npos || dot > name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        line.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    const std::wstring file = ProgramFileOf(line);

    const bool quoted = !line.empty() && line[0] == L'"';
    const bool named =
        quoted ? line.size() > 1 && line[1] != L'"' : !line.empty() && line[0] != L' ' && line[0] != L'\t';
    Require(file.empty() == !named, "a line names a program exactly when its first part is not empty");
    if (file.empty()) {
        return 0;
    }
    Require(HasExtension(file), "the program's file has an extension");
    // The name as the line spells it: the file, less the ".exe" that was added when it had none.
    const std::size_t at = quoted ? 1 : 0;
    const bool added = line.compare(at, file.size(), file) != 0;
    const std::wstring spelled = added ? file.substr(0, file.size() - 4) : file;
    Require(!added || file.compare(file.size() - 4, 4, L".exe") == 0, "what is added is \".exe\"");
    Require(line.compare(at, spelled.size(), spelled) == 0, "the name is where the line begins");
    const std::size_t after = at + spelled.size();
    if (quoted) {
        Require(spelled.find(L'"') == std::wstring::npos && (after == line.size() || line[after] == L'"'),
                "a quoted name runs to its closing quote");
    } else {
        Require(spelled.find_first_of(L" \t") == std::wstring::npos &&
                    (after == line.size() || line[after] == L' ' || line[after] == L'\t'),
                "a bare name runs to the first blank");
    }
    // The file, quoted, names itself again whatever follows it.
    if (file.find(L'"') == std::wstring::npos) {
        Require(ProgramFileOf(L"\"" + file + L"\" /x") == file, "the file, quoted, names itself");
    }
    return 0;
}

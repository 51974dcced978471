#pragma once
// How a command line names the program it starts, as the platform's StartProgram reads it, and what kind
// of program a file's PE header says it is. Portable, so that it is tested and fuzzed on the host.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tovalset {

// The program's file as the line names it: the quoted first part, or else the first word (up to a blank
// or a tab); with ".exe" added when the file name has no extension, which "All\certmgr" needs. Empty when
// the line names no program.
std::wstring ProgramFileOf(const std::wstring& commandLine);

// What a Windows program's headers say: a console or a windowed program, 32- or 64-bit, and whether it
// carries an Authenticode signature (its certificate table, the security directory, is not empty; whether
// the signature is valid the headers cannot say). They lie in its first kProgramHeadBytes; none when
// those are not a Windows program's.
constexpr std::size_t kProgramHeadBytes = 4096;
struct ProgramHeader {
    bool console = false;
    int bits = 0;
    bool signature = false;
};
std::optional<ProgramHeader> ProgramHeaderOf(const std::vector<std::uint8_t>& head);

} // namespace tovalset

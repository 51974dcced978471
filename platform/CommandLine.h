#pragma once
// How a command line names the program it starts, as the platform's StartProgram reads it, what kind of
// program a file's PE header says it is, and what TovalSet's own command line asks of it. Portable, so that
// it is tested and fuzzed on the host.

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

// The words that follow the program's name on a command line, as the C runtime of a Windows program takes
// them apart: blanks and tabs between words; a quote begins or ends a part in which blanks belong to the
// word; a backslash is itself except before a quote, where each pair of backslashes gives one and an odd
// one left over makes the quote a quote character. The program's name runs to its closing quote when it
// begins with one, else to the first blank or tab.
std::vector<std::wstring> ArgumentsOf(const std::wstring& commandLine);

// What TovalSet's own command line asks. A line whose first word begins with neither "/" nor "-" asks
// for the window, whatever it holds; options are "/report [file]" and "/?", with "/" or "-" and in any
// case. Anything else beginning with either is a misuse, with what is wrong in `problem`.
struct Invocation {
    enum class Mode { Window, Report, Usage, Misuse };
    Mode mode = Mode::Window;
    // For Report, the file to write; none for standard output.
    std::optional<std::wstring> file;
    std::wstring problem;
};
Invocation InvocationOf(const std::wstring& commandLine);

} // namespace tovalset

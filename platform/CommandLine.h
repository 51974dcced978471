#pragma once
// How a command line names the program it starts, as the platform's StartProgram reads it. Portable, so
// that it is tested and fuzzed on the host.

#include <string>

namespace tovalset {

// The program's file as the line names it: the quoted first part, or else the first word (up to a blank
// or a tab); with ".exe" added when the file name has no extension, which "All\certmgr" needs. Empty when
// the line names no program.
std::wstring ProgramFileOf(const std::wstring& commandLine);

} // namespace tovalset

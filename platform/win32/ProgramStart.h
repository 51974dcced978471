#pragma once
// What the platform reads of a program before it starts it.

#include <string>

namespace tovalset::win32 {

// The program that StartProgram runs for a command line: its first word (or quoted first part), with
// ".exe" added when the file name has no extension, made absolute against the current directory.
std::wstring ProgramPathOf(const std::wstring& commandLine);

// Whether the program file is built for the console subsystem (read from its PE header); false when the
// file cannot be read as one.
bool IsConsoleProgram(const std::wstring& path);

} // namespace tovalset::win32

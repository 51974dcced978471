#pragma once
// Reading a file whole, for the certificate look-up and the stand-in certificate manager alike, or its start,
// for a program's headers; writing one whole, for the status report's Save and /report; and writing to the
// standard output or error that the program was given.

#include <windows.h>

#include "platform/ReportFacts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovalset::win32 {

// The whole of a file into `data`, or the system's error code. A file larger than `most` bytes is not read:
// no data and no error. `share` is what others may do with the file while it is read.
DWORD ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& data, DWORD most = MAXDWORD,
                    DWORD share = FILE_SHARE_READ);

// At most the first `most` bytes of a file into `data` (all of a shorter one), or the system's error code.
// Others may read and write the file meanwhile.
DWORD ReadFileStart(const std::wstring& path, std::size_t most, std::vector<std::uint8_t>& data);

// Writes the file whole or not at all: into "<path>.partial" first, then renamed over the path. On failure
// neither is left behind (what stood at either name before stays); the system's error code.
DWORD WriteWholeFile(const std::wstring& path, const std::string& bytes);

// The text saved as UTF-8 after a byte-order mark, whole or not at all, as `name` in the user's desktop
// folder: its path (the name alone after a backslash when the folder is not known), and the system's
// error code.
struct SavedFile {
    std::wstring path;
    DWORD error;
};
SavedFile SaveOnDesktop(ReportFacts& facts, const std::wstring& name, const std::wstring& text);

// What a standard handle (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE) leads to: nothing usable (a program started
// from Explorer or a shortcut is given none), a console, or a file, pipe or device.
enum class StandardKind { None, Console, Stream };
StandardKind StandardKindOf(DWORD which);

// Writes to that handle: the text through a console's Unicode output, or the bytes to anything else; the
// system's error code. No console is attached or made for it.
DWORD WriteStandard(DWORD which, const std::wstring& text, const std::string& bytes);

} // namespace tovalset::win32

#pragma once
// Reading a file whole, for the certificate look-up and the stand-in certificate manager alike, or its start,
// for a program's headers.

#include <windows.h>

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

} // namespace tovalset::win32

#pragma once
// Reading a file whole, for the certificate look-up and the stand-in certificate manager alike.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tovalset::win32 {

// The whole of a file into `data`, or the system's error code. A file larger than `most` bytes is not read:
// no data and no error. `share` is what others may do with the file while it is read.
DWORD ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& data, DWORD most = MAXDWORD,
                    DWORD share = FILE_SHARE_READ);

} // namespace tovalset::win32

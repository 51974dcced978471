#pragma once
// Reads one registry value as text, for the facts the window shows. Nothing here reports an error: a value
// that is missing, unreadable or of a type it does not read gives empty text.

#include "platform/PlatformOps.h"

#include <string>

namespace tovalset {

// Opens hKey\strPath, reads strValue, closes the key. The caller's texts are left as they are.
std::wstring GetString(PlatformOps& os, const KeyHandle& hKey, const std::wstring& strPath,
                       const std::wstring& strValue);

// Reads strValueName from a key that is already open (0 reads nothing). REG_SZ gives its text up to the
// first NUL; REG_NONE data of at most two bytes gives its 16-bit signed number as decimal text.
std::wstring RegQueryStringValue(PlatformOps& os, KeyHandle hKey, std::wstring strValueName);

} // namespace tovalset

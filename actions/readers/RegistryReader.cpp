#include "actions/readers/RegistryReader.h"

#include <array>
#include <cstddef>
#include <vector>

namespace tovalset {

namespace {

std::wstring ReadText(PlatformOps& os, KeyHandle hKey, const std::wstring& name, std::uint32_t size) {
    std::vector<std::uint8_t> buffer(size, 0);
    std::uint32_t type = 0;
    std::uint32_t read = size;
    // A value that grew since the probe no longer fits: that read fails, or reports more than we hold.
    if (os.RegQueryValueExA(hKey, name, 0, type, buffer.data(), read) != 0 || read > size) {
        return {};
    }
    const std::wstring text =
        os.FromAnsiCodePage(std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(read)));
    return text.substr(0, text.find(L'\0'));
}

std::wstring ReadSmallNumber(PlatformOps& os, KeyHandle hKey, const std::wstring& name) {
    // Room for exactly the two bytes of the number: the read can never write more.
    std::array<std::uint8_t, 2> bytes = {0, 0};
    std::uint32_t type = 0;
    std::uint32_t size = bytes.size();
    if (os.RegQueryValueExA(hKey, name, 0, type, bytes.data(), size) != 0) {
        return {};
    }
    const auto number = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
    return std::to_wstring(number);
}

} // namespace

std::wstring GetString(PlatformOps& os, const KeyHandle& hKey, const std::wstring& strPath,
                       const std::wstring& strValue) {
    // A key that cannot be opened leaves the handle 0: the read then finds nothing, and closing 0 is
    // harmless.
    KeyHandle key = KeyHandle::None;
    os.RegOpenKeyA(hKey, strPath, key);
    std::wstring result = RegQueryStringValue(os, key, strValue);
    os.RegCloseKey(key);
    return result;
}

// The value name is taken by value, as the window's public reader operation always has.
// cppcheck-suppress passedByValue
// NOLINTNEXTLINE(performance-unnecessary-value-param)
std::wstring RegQueryStringValue(PlatformOps& os, KeyHandle hKey, std::wstring strValueName) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (os.RegQueryValueExA(hKey, strValueName, 0, type, nullptr, size) != 0) {
        return {};
    }
    if (type == REG_SZ) {
        return ReadText(os, hKey, strValueName, size);
    }
    if (type == REG_NONE && size <= 2) {
        return ReadSmallNumber(os, hKey, strValueName);
    }
    return {};
}

} // namespace tovalset

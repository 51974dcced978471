// The registry units that keep a value as it stood and put it back: each opens and closes its own key, and
// speaks the wide calls, so that a text value comes back with every character it had.
#include <windows.h>

#include "platform/win32/HandleCast.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Platform.h"

namespace tovalset::win32 {

namespace {

// A value whose size changes between the probe and the read is read again with its new size; a value that
// keeps changing is reported as the read's status after this many tries.
constexpr int kReadTries = 4;

} // namespace

std::wstring Win32Platform::ErrorText(std::uint32_t code) {
    return SystemErrorText(code);
}

RegRead Win32Platform::ReadRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name) {
    RegRead read;
    HKEY opened = nullptr;
    read.status = ::RegOpenKeyExW(ToHkey(root), subKey.c_str(), 0, KEY_QUERY_VALUE, &opened);
    if (read.status != ERROR_SUCCESS) {
        return read;
    }
    const UniqueRegKey key(opened);
    read.keyFound = true;
    for (int attempt = 0; attempt < kReadTries; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        read.status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
        if (read.status != ERROR_SUCCESS) {
            return read;
        }
        // One byte more than asked for, so that an empty value still has a buffer to be read into.
        read.data.bytes.assign(size + 1, 0);
        read.status =
            ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, read.data.bytes.data(), &size);
        if (read.status != ERROR_MORE_DATA) {
            read.data.type = type;
            read.data.bytes.resize(read.status == ERROR_SUCCESS ? size : 0);
            return read;
        }
    }
    read.data.bytes.clear();
    return read;
}

RegStatus Win32Platform::WriteRegValue(KeyHandle root, const std::wstring& subKey, const std::wstring& name,
                                       const RegData& data) {
    HKEY created = nullptr;
    const LONG status = ::RegCreateKeyExW(ToHkey(root), subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                          &created, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const UniqueRegKey key(created);
    return ::RegSetValueExW(key.get(), name.c_str(), 0, data.type,
                            data.bytes.empty() ? nullptr : data.bytes.data(),
                            static_cast<DWORD>(data.bytes.size()));
}

RegStatus Win32Platform::DeleteRegValue(KeyHandle root, const std::wstring& subKey,
                                        const std::wstring& name) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExW(ToHkey(root), subKey.c_str(), 0, KEY_SET_VALUE, &opened);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const UniqueRegKey key(opened);
    return ::RegDeleteValueW(key.get(), name.c_str());
}

RegStatus Win32Platform::DeleteEmptyRegKey(KeyHandle root, const std::wstring& subKey) {
    // An empty name would mean the root itself.
    if (subKey.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    {
        HKEY opened = nullptr;
        const LONG status = ::RegOpenKeyExW(ToHkey(root), subKey.c_str(), 0, KEY_READ, &opened);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        const UniqueRegKey key(opened);
        DWORD subKeys = 0;
        DWORD values = 0;
        const LONG info = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                             &values, nullptr, nullptr, nullptr, nullptr);
        if (info != ERROR_SUCCESS) {
            return info;
        }
        if (subKeys != 0 || values != 0) {
            return ERROR_DIR_NOT_EMPTY;
        }
    }
    // RegDeleteKey, not RegDeleteTree (which XP lacks): it never takes a subkey with it.
    return ::RegDeleteKeyW(ToHkey(root), subKey.c_str());
}

} // namespace tovalset::win32

#include "platform/win32/SystemLibrary.h"

#include <string>

namespace tovalset::win32 {

SystemLibrary::SystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        error_ = length == 0 ? ::GetLastError() : ERROR_FILENAME_EXCED_RANGE;
        return;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    module_.reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module_) {
        error_ = ::GetLastError();
    }
}

} // namespace tovalset::win32

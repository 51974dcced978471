#pragma once
// Functions looked up at run time, because older Windows lacks them or most runs never need them: each
// from a system library loaded by its full path in the system folder, never by its bare name, so that no
// file beside the exe or in the current directory can stand in for it. The library's own imports are
// looked for in the system folder too (LOAD_WITH_ALTERED_SEARCH_PATH); the LOAD_LIBRARY_SEARCH_* flags,
// which would say the same, fail on XP.

#include <windows.h>

#include "platform/win32/Handles.h"

namespace tovalset::win32 {

class SystemLibrary {
public:
    SystemLibrary() = default;
    // Loads the library by its file name ("crypt32.dll") from the system folder; error() says why not.
    explicit SystemLibrary(const wchar_t* name);

    explicit operator bool() const { return static_cast<bool>(module_); }
    // The system's code for why the library is not loaded, or for a function it lacks.
    DWORD error() const { return error_; }

    // The named function as the given pointer type; null when it is not there.
    template <typename Function> Function Proc(const char* name) const {
        return module_ ? reinterpret_cast<Function>(
                             reinterpret_cast<void (*)()>(::GetProcAddress(module_.get(), name)))
                       : nullptr;
    }

private:
    UniqueModule module_;
    DWORD error_ = ERROR_SUCCESS;
};

} // namespace tovalset::win32

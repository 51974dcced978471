#pragma once
// Owners for the Windows handles that our code holds: each closes its handle exactly once, and none can
// be copied, so a handle cannot leak on an early return or an exception.

#include <windows.h>

#include <utility>

namespace tovalset::win32 {

template <typename Handle, typename Traits> class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueResource() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::valid(handle_); }
    Handle release() { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) {
        if (Traits::valid(handle_)) {
            Traits::close(handle_);
        }
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::invalid();
};

// Most handles are "no handle" when null and have one call that closes them.
// cppcheck sees the handle types as void pointers and asks for pointers to const in valid(); a handle only
// names a system object, and Windows has no const form of it.
template <typename Handle, auto Close> struct NullHandleTraits {
    static Handle invalid() { return nullptr; }
    // cppcheck-suppress constParameter
    static bool valid(Handle h) { return h != nullptr; }
    static void close(Handle h) { Close(h); }
};

// Kernel handles come back as either null or INVALID_HANDLE_VALUE on failure, depending on the call.
struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    // cppcheck-suppress constParameter
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    // cppcheck-suppress constParameter
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;
using UniqueRegKey = UniqueResource<HKEY, NullHandleTraits<HKEY, &::RegCloseKey>>;
using UniqueWindow = UniqueResource<HWND, NullHandleTraits<HWND, &::DestroyWindow>>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, NullHandleTraits<HGDIOBJ, &::DeleteObject>>;
using UniqueMemoryDc = UniqueResource<HDC, NullHandleTraits<HDC, &::DeleteDC>>;
using UniqueModule = UniqueResource<HMODULE, NullHandleTraits<HMODULE, &::FreeLibrary>>;
using UniqueSid = UniqueResource<PSID, NullHandleTraits<PSID, &::FreeSid>>;
// Memory that a call hands back for LocalFree: a SID as text, FormatMessage's buffer.
template <typename T> using UniqueLocal = UniqueResource<T, NullHandleTraits<T, &::LocalFree>>;

// The screen's device context from GetDC(nullptr), which goes back with ReleaseDC.
struct ScreenDcTraits {
    static HDC invalid() { return nullptr; }
    // cppcheck-suppress constParameter
    static bool valid(HDC h) { return h != nullptr; }
    static void close(HDC h) { ::ReleaseDC(nullptr, h); }
};
using UniqueScreenDc = UniqueResource<HDC, ScreenDcTraits>;

// An object selected into a device context: what was selected before is put back when the owner goes.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ != nullptr) {
            ::SelectObject(dc_, previous_);
        }
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace tovalset::win32

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

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};

struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static bool valid(HKEY h) { return h != nullptr; }
    static void close(HKEY h) { ::RegCloseKey(h); }
};

struct WindowTraits {
    static HWND invalid() { return nullptr; }
    static bool valid(HWND h) { return h != nullptr; }
    static void close(HWND h) { ::DestroyWindow(h); }
};

struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};

struct GdiObjectTraits {
    static HGDIOBJ invalid() { return nullptr; }
    static bool valid(HGDIOBJ h) { return h != nullptr; }
    static void close(HGDIOBJ h) { ::DeleteObject(h); }
};

struct MemoryDcTraits {
    static HDC invalid() { return nullptr; }
    static bool valid(HDC h) { return h != nullptr; }
    static void close(HDC h) { ::DeleteDC(h); }
};

struct ModuleTraits {
    static HMODULE invalid() { return nullptr; }
    static bool valid(HMODULE h) { return h != nullptr; }
    static void close(HMODULE h) { ::FreeLibrary(h); }
};

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;
using UniqueWindow = UniqueResource<HWND, WindowTraits>;
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

} // namespace tovalset::win32

#include "ui/Picture.h"

#include "platform/win32/Handles.h"

#include <cstring>
#include <utility>

namespace tovalset::ui {

namespace {

// Releases a COM interface on every way out.
template <typename Interface> struct Released {
    Interface* pointer = nullptr;
    Released() = default;
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    ~Released() {
        if (pointer != nullptr) {
            pointer->Release();
        }
    }
};

} // namespace

Picture::Picture(Picture&& other) noexcept
    : picture_(std::exchange(other.picture_, nullptr)), bitmap_(std::exchange(other.bitmap_, nullptr)),
      width_(other.width_), height_(other.height_) {}

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        Picture old(std::move(*this));
        picture_ = std::exchange(other.picture_, nullptr);
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        width_ = other.width_;
        height_ = other.height_;
    }
    return *this;
}

Picture::~Picture() {
    if (picture_ != nullptr) {
        picture_->Release();
    }
}

Picture Picture::FromResource(HINSTANCE instance, int id) {
    Picture result;
    const HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    const DWORD size = found != nullptr ? ::SizeofResource(instance, found) : 0;
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) {
        return result;
    }
    // The loader reads from a stream, which takes ownership of this copy of the bytes.
    const HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = copy != nullptr ? ::GlobalLock(copy) : nullptr;
    if (target == nullptr) {
        if (copy != nullptr) {
            ::GlobalFree(copy);
        }
        return result;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(copy);
    Released<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, &stream.pointer))) {
        ::GlobalFree(copy);
        return result;
    }
    IPicture* picture = nullptr;
    if (FAILED(::OleLoadPicture(stream.pointer, static_cast<LONG>(size), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&picture)))) {
        return result;
    }
    result.picture_ = picture;
    OLE_HANDLE handle = 0;
    BITMAP info{};
    if (FAILED(picture->get_Handle(&handle)) ||
        ::GetObjectA(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof info, &info) == 0) {
        return Picture();
    }
    result.bitmap_ = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    result.width_ = info.bmWidth;
    result.height_ = info.bmHeight;
    return result;
}

void Picture::Draw(HDC dc, int x, int y) const {
    if (bitmap_ == nullptr) {
        return;
    }
    const win32::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    const HGDIOBJ previous = ::SelectObject(memory.get(), bitmap_);
    ::BitBlt(dc, x, y, width_, height_, memory.get(), 0, 0, SRCCOPY);
    ::SelectObject(memory.get(), previous);
}

} // namespace tovalset::ui

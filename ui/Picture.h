#pragma once
// A JPEG picture from the program's resources, decoded once by the system's picture loader and kept as
// a bitmap for drawing.

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

namespace tovalset::ui {

class Picture {
public:
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    ~Picture();

    // Empty when the resource is missing or cannot be decoded.
    static Picture FromResource(HINSTANCE instance, int id);

    explicit operator bool() const { return bitmap_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Copies the picture to `dc` with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y) const;

private:
    IPicture* picture_ = nullptr; // owns the bitmap
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tovalset::ui

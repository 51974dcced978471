#pragma once
// A picture from the program's resources, kept as a bitmap for drawing.

#include <windows.h>

#include "platform/win32/Handles.h"

namespace tovalset::ui {

class Picture {
public:
    // Empty when the resource is missing.
    static Picture FromResource(HINSTANCE instance, int id);

    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Copies the picture to `dc` with its top-left corner at (x, y), unscaled.
    void Draw(HDC dc, int x, int y) const { Draw(dc, x, y, width_, height_); }
    // The same into a width x height box: copied when the picture is that size, otherwise resampled with
    // the system's halftone filter, which averages the pixels it drops rather than skipping them.
    void Draw(HDC dc, int x, int y, int width, int height) const;

private:
    win32::UniqueGdiObject bitmap_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tovalset::ui

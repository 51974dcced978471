#include "ui/Picture.h"

namespace tovalset::ui {

Picture Picture::FromResource(HINSTANCE instance, int id) {
    Picture picture;
    // A DIB section keeps the stored pixels exactly, whatever the display's colour depth.
    picture.bitmap_.reset(
        ::LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info{};
    if (picture.bitmap_ && ::GetObjectA(picture.bitmap_.get(), sizeof info, &info) != 0) {
        picture.width_ = info.bmWidth;
        picture.height_ = info.bmHeight;
    }
    return picture;
}

void Picture::Draw(HDC dc, int x, int y, int width, int height) const {
    if (!bitmap_) {
        return;
    }
    const win32::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    const win32::SelectedObject selected(memory.get(), bitmap_.get());
    if (width == width_ && height == height_) {
        ::BitBlt(dc, x, y, width, height, memory.get(), 0, 0, SRCCOPY);
    } else {
        // The halftone mode asks for the brush origin to be set after it; both are put back for the
        // owner of the device context.
        const int mode = ::SetStretchBltMode(dc, HALFTONE);
        POINT origin{};
        ::SetBrushOrgEx(dc, 0, 0, &origin);
        ::StretchBlt(dc, x, y, width, height, memory.get(), 0, 0, width_, height_, SRCCOPY);
        ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
        if (mode != 0) {
            ::SetStretchBltMode(dc, mode);
        }
    }
}

} // namespace tovalset::ui

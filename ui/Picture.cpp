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

void Picture::Draw(HDC dc, int x, int y) const {
    if (!bitmap_) {
        return;
    }
    const win32::UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    const HGDIOBJ previous = ::SelectObject(memory.get(), bitmap_.get());
    ::BitBlt(dc, x, y, width_, height_, memory.get(), 0, 0, SRCCOPY);
    ::SelectObject(memory.get(), previous);
}

} // namespace tovalset::ui

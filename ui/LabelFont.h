#pragma once
// The labels' font as the window makes it at a display scale: 8.25 points bold, a sans-serif face, the
// Arabic character set so that Persian product names show. The window makes it from here, and the tests
// that measure the labels' text against their boxes measure this very font.

#include <windows.h>

#include "ui/Scale.h"

#include <cstring>

namespace tovalset::ui {

inline LOGFONTA LabelFont(int dpi) {
    LOGFONTA font{};
    font.lfHeight = FontHeight(kLabelFontHundredthsOfPoint, dpi);
    font.lfWeight = FW_BOLD;
    font.lfCharSet = ARABIC_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    const char face[] = "MS Sans Serif";
    static_assert(sizeof face <= sizeof font.lfFaceName, "the face's name fits");
    std::memcpy(font.lfFaceName, face, sizeof face);
    return font;
}

} // namespace tovalset::ui

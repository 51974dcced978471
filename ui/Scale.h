#pragma once
// The window is laid out in twips (1/1440 inch), so that it keeps its proportions at every display scale:
// the system's dots per inch turn each length into pixels. The button pictures come in renditions drawn
// for a few common scales; the window draws the one that fits its scale.
//
// Plain arithmetic, with no Windows types, so that it is tested on the host.

#include <array>
#include <cstddef>

namespace tovalset::ui {

// 15 twips to the pixel: the scale the window was first laid out for, "100 %".
constexpr int kBaseDpi = 96;

// The size of every picture button.
constexpr int kButtonWidthTwips = 1950;
constexpr int kButtonHeightTwips = 525;

struct Box {
    int left;
    int top;
    int width;
    int height;
};

// A length in twips as whole pixels at `dpi`, to the nearest pixel with halves rounded up, as the system's
// MulDiv rounds. Each length is rounded on its own, so that equal sizes stay equal in pixels: every button
// is as wide as its picture.
int ToPixels(int twips, int dpi);
Box ToPixels(const Box& twips, int dpi);

// The labels' font size: 8.25 points, 11 pixels high at 96 dots per inch. The rest of the font's
// description is Windows' own (ui/LabelFont.h).
constexpr int kLabelFontHundredthsOfPoint = 825;

// The character height, in pixels, of a font of `hundredthsOfPoint` points / 100 at `dpi`; negative, as
// CreateFont takes a character height rather than a cell height.
int FontHeight(int hundredthsOfPoint, int dpi);

// The scales the button pictures are drawn for, smallest first: 100, 125, 150 and 200 %.
constexpr std::array<int, 4> kRenditionDpi = {96, 120, 144, 192};

// Which rendition to draw at `dpi`: the one drawn for that scale; between two, the larger, which shrinks
// more cleanly than the smaller grows; above the largest, the largest.
std::size_t RenditionFor(int dpi);

} // namespace tovalset::ui

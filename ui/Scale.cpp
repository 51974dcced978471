#include "ui/Scale.h"

namespace tovalset::ui {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kHundredthsOfPointPerInch = 7200;

// a * b / c to the nearest whole number, halves up; the lengths here are never negative.
int Scaled(int a, int b, int c) {
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

} // namespace

int ToPixels(int twips, int dpi) {
    return Scaled(twips, dpi, kTwipsPerInch);
}

Box ToPixels(const Box& twips, int dpi) {
    return {ToPixels(twips.left, dpi), ToPixels(twips.top, dpi), ToPixels(twips.width, dpi),
            ToPixels(twips.height, dpi)};
}

int FontHeight(int hundredthsOfPoint, int dpi) {
    return -Scaled(hundredthsOfPoint, dpi, kHundredthsOfPointPerInch);
}

std::size_t RenditionFor(int dpi) {
    for (std::size_t i = 0; i < kRenditionDpi.size(); ++i) {
        if (kRenditionDpi[i] >= dpi) {
            return i;
        }
    }
    return kRenditionDpi.size() - 1;
}

} // namespace tovalset::ui

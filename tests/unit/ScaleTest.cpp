// The window's lengths at the display scales Windows offers, and the button pictures it picks for them.
#include "ui/Scale.h"

#include <gtest/gtest.h>

#include <string>

using namespace tovalset::ui;

TEST(ScaleTest, LengthsAreTheirTwipsToTheNearestPixel) {
    struct Case {
        int twips, dpi, pixels;
    };
    for (const Case& c : {
             // 100 %: 15 twips to the pixel, exactly the layout's pixels.
             Case{4695, 96, 313},
             Case{3195, 96, 213},
             Case{1950, 96, 130},
             Case{525, 96, 35},
             Case{2400, 96, 160},
             Case{1080, 96, 72},
             Case{3015, 96, 201},
             // Halves round up, so equal lengths stay equal and a button is never a pixel short.
             Case{1950, 120, 163},
             Case{525, 120, 44},
             Case{4695, 144, 470},
             Case{525, 144, 53},
             Case{3195, 144, 320},
             // The larger scales of Windows 10 and 11 go past anything the layout was drawn for.
             Case{1950, 192, 260},
             Case{4695, 288, 939},
             Case{4695, 480, 1565},
         }) {
        EXPECT_EQ(ToPixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi << " dpi";
    }
    const Box box = ToPixels(Box{2400, 1320, 1950, 525}, 120);
    EXPECT_EQ(box.left, 200);
    EXPECT_EQ(box.top, 110);
    EXPECT_EQ(box.width, 163);
    EXPECT_EQ(box.height, 44);
}

TEST(ScaleTest, TheLabelFontIsEightAndAQuarterPointsAtEveryScale) {
    // As the system's MulDiv rounds: 11 pixels at 96 dpi, 16.5 up to 17 at 144.
    EXPECT_EQ(FontHeight(kLabelFontHundredthsOfPoint, 96), -11);
    EXPECT_EQ(FontHeight(kLabelFontHundredthsOfPoint, 120), -14);
    EXPECT_EQ(FontHeight(kLabelFontHundredthsOfPoint, 144), -17);
    EXPECT_EQ(FontHeight(kLabelFontHundredthsOfPoint, 192), -22);
}

TEST(ScaleTest, EachScaleDrawsItsOwnRenditionOrShrinksTheNextLarger) {
    struct Case {
        int dpi;
        std::size_t rendition;
    };
    for (const Case& c : {Case{72, 0}, Case{96, 0}, Case{97, 1}, Case{120, 1}, Case{132, 2}, Case{144, 2},
                          Case{168, 3}, Case{192, 3}, Case{240, 3}, Case{480, 3}}) {
        EXPECT_EQ(RenditionFor(c.dpi), c.rendition) << c.dpi << " dpi";
    }
}

// The committed pictures, checked as the program and the resource compiler will read them: the exe embeds
// the bitmaps that the resource script names, loaded by the system without any picture decoder, each
// button's the button's size at its scale, and the background's top-left cut, which must cover the window.
// The JPEGs are the drawn originals the bitmaps are decoded from (tools/make-artwork.py); the cut is taken
// from the full background without re-encoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "ui/Scale.h"

namespace {

constexpr int kShownWidth = 313;
constexpr int kShownHeight = 213;

std::vector<unsigned char> readResource(const std::string& name) {
    std::ifstream in(std::string(TOVALSET_RESOURCES_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Sampling {
    int h;
    int v;
};

struct Jpeg {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<Sampling> sampling;
    // RGB of the top-left rows x columns asked for, row by row.
    std::vector<unsigned char> corner;
};

struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    trap->mgr.format_message(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

// Everything the jump may skip over lives in the caller, so nothing local to this frame changes between
// setjmp and a longjmp from the decoder.
bool readJpeg(const std::vector<unsigned char>& bytes, int cornerWidth, int cornerHeight, Jpeg& out,
              jpeg_decompress_struct& cinfo, ErrorTrap& trap, std::vector<unsigned char>& row) {
    cinfo.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = onJpegError;
    if (setjmp(trap.jump)) {
        out.error = trap.message;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    out.width = static_cast<int>(cinfo.image_width);
    out.height = static_cast<int>(cinfo.image_height);
    for (int i = 0; i < cinfo.num_components; ++i) {
        out.sampling.push_back({cinfo.comp_info[i].h_samp_factor, cinfo.comp_info[i].v_samp_factor});
    }

    if (cornerWidth > 0 && cornerHeight > 0 && cornerWidth <= out.width && cornerHeight <= out.height) {
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        row.resize(static_cast<size_t>(cinfo.output_width) * 3);
        JSAMPROW rows[] = {row.data()};
        while (static_cast<int>(cinfo.output_scanline) < cornerHeight) {
            jpeg_read_scanlines(&cinfo, rows, 1);
            out.corner.insert(out.corner.end(), row.begin(), row.begin() + std::ptrdiff_t{cornerWidth} * 3);
        }
    }
    return true;
}

// Reads the header and, if asked, decodes only as many rows as the corner needs: the full background is
// 80 MB of pixels, of which the test looks at a few hundred kilobytes.
Jpeg decode(const std::vector<unsigned char>& bytes, int cornerWidth = 0, int cornerHeight = 0) {
    Jpeg out;
    jpeg_decompress_struct cinfo{};
    ErrorTrap trap{};
    std::vector<unsigned char> row;
    out.ok = readJpeg(bytes, cornerWidth, cornerHeight, out, cinfo, trap, row);
    // Also ends a decode stopped after the corner's rows.
    jpeg_destroy_decompress(&cinfo);
    return out;
}

TEST(ArtworkTest, BackgroundHasFullResolutionColour) {
    // Subsampled colour would make the cut-out's edge blocks depend on their neighbours outside it.
    const Jpeg jpeg = decode(readResource("background.jpg"));
    ASSERT_TRUE(jpeg.ok) << jpeg.error;
    EXPECT_EQ(jpeg.width, 8400);
    EXPECT_EQ(jpeg.height, 3200);
    ASSERT_EQ(jpeg.sampling.size(), 3u);
    for (const Sampling& s : jpeg.sampling) {
        EXPECT_EQ(s.h, 1);
        EXPECT_EQ(s.v, 1);
    }
}

TEST(ArtworkTest, VisibleRegionShowsTheBackgroundsWhiteCornerUnchanged) {
    const Jpeg full = decode(readResource("background.jpg"), kShownWidth, kShownHeight);
    const Jpeg cut = decode(readResource("background-visible.jpg"), kShownWidth, kShownHeight);
    ASSERT_TRUE(full.ok) << full.error;
    ASSERT_TRUE(cut.ok) << cut.error;
    const size_t expected = static_cast<size_t>(kShownWidth) * kShownHeight * 3;
    ASSERT_EQ(full.corner.size(), expected);
    ASSERT_EQ(cut.corner.size(), expected);
    EXPECT_TRUE(full.corner == cut.corner) << "the cut-out was re-encoded or cut from another picture";
    const auto notWhite =
        std::count_if(cut.corner.begin(), cut.corner.end(), [](unsigned char c) { return c != 255; });
    EXPECT_EQ(notWhite, 0) << "samples in the shown corner that are not pure white";
}

TEST(ArtworkTest, BackgroundIsWhiteAsFarAsTheLargestWindowShowsIt) {
    // Past the embedded cut-out the window paints white, which is right only while the background is white
    // that far: at 500 %, the largest scale Windows offers, the client area is five times the cut-out's.
    const int width = tovalset::ui::ToPixels(4695, 480);
    const int height = tovalset::ui::ToPixels(3195, 480);
    const Jpeg full = decode(readResource("background.jpg"), width, height);
    ASSERT_TRUE(full.ok) << full.error;
    ASSERT_EQ(full.corner.size(), static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    EXPECT_EQ(std::count_if(full.corner.begin(), full.corner.end(), [](unsigned char c) { return c != 255; }),
              0);
}

// Icon file layout: a 6-byte directory header, 16-byte entries, then each image as a BITMAPINFOHEADER,
// its palette, the colour bitmap and the AND mask, rows bottom up and padded to four bytes.
uint32_t le16(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8));
}
uint32_t le32(const std::vector<unsigned char>& b, size_t at) {
    return le16(b, at) | (le16(b, at + 2) << 16);
}
size_t rowBytes(int width, int bpp) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bpp) + 31) / 32 * 4;
}

struct IconImage {
    int size;
    int colours;
    int bpp;
    size_t offset;
    size_t length;
};

std::vector<IconImage> iconImages(const std::vector<unsigned char>& ico) {
    std::vector<IconImage> images;
    if (ico.size() < 6 || le16(ico, 0) != 0 || le16(ico, 2) != 1) {
        return images;
    }
    const size_t count = le16(ico, 4);
    for (size_t i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const size_t e = 6 + 16 * i;
        images.push_back({ico[e] == 0 ? 256 : ico[e], ico[e + 2], static_cast<int>(le16(ico, e + 6)),
                          le32(ico, e + 12), le32(ico, e + 8)});
        EXPECT_EQ(ico[e], ico[e + 1]) << "image " << i << " is not square";
        EXPECT_EQ(le16(ico, e + 4), 1u) << "image " << i << " planes";
    }
    return images;
}

bool masked(const std::vector<unsigned char>& ico, const IconImage& image, int x, int y) {
    const size_t palette = 4u << image.bpp;
    const size_t mask =
        image.offset + 40 + palette + rowBytes(image.size, image.bpp) * static_cast<size_t>(image.size);
    const size_t row = mask + rowBytes(image.size, 1) * static_cast<size_t>(image.size - 1 - y);
    return (ico[row + static_cast<size_t>(x) / 8] >> (7 - x % 8)) & 1;
}

TEST(ArtworkTest, IconHoldsTheThreeClassicImagesInOrder) {
    const auto ico = readResource("TovalSet.ico");
    const auto images = iconImages(ico);
    ASSERT_EQ(images.size(), 3u);
    const IconImage expected[] = {{32, 2, 1, 0, 0}, {32, 16, 4, 0, 0}, {16, 16, 4, 0, 0}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const IconImage& image = images[i];
        EXPECT_EQ(image.size, expected[i].size);
        EXPECT_EQ(image.colours, expected[i].colours);
        EXPECT_EQ(image.bpp, expected[i].bpp);
        ASSERT_GE(image.length, 40u);
        ASSERT_LE(image.offset + image.length, ico.size()) << "image data runs past the end of the file";

        const size_t h = image.offset;
        EXPECT_EQ(le32(ico, h), 40u) << "not a BITMAPINFOHEADER";
        EXPECT_EQ(static_cast<int>(le32(ico, h + 4)), image.size);
        EXPECT_EQ(static_cast<int>(le32(ico, h + 8)), 2 * image.size) << "height must count the mask too";
        EXPECT_EQ(le16(ico, h + 12), 1u);
        EXPECT_EQ(static_cast<int>(le16(ico, h + 14)), image.bpp);
        EXPECT_EQ(le32(ico, h + 16), 0u) << "compressed";
        const size_t rows = static_cast<size_t>(image.size);
        EXPECT_EQ(image.length, 40 + (4u << image.bpp) + rowBytes(image.size, image.bpp) * rows +
                                    rowBytes(image.size, 1) * rows);
    }
}

TEST(ArtworkTest, IconImagesAreTransparentAroundTheSheetOnly) {
    const auto ico = readResource("TovalSet.ico");
    const auto images = iconImages(ico);
    ASSERT_EQ(images.size(), 3u);
    for (const IconImage& image : images) {
        SCOPED_TRACE("image " + std::to_string(image.size) + "x" + std::to_string(image.colours));
        ASSERT_LE(image.offset + image.length, ico.size());
        const int last = image.size - 1;
        // The sheet leans right as it rises, so the top-left and bottom-right corners are always desktop.
        EXPECT_TRUE(masked(ico, image, 0, 0));
        EXPECT_TRUE(masked(ico, image, last, last));
        EXPECT_FALSE(masked(ico, image, image.size / 2, image.size / 2)) << "the sheet itself is see-through";
    }
}

} // namespace

namespace {

// A bitmap file as the resource compiler embeds it and LoadImage reads it on every Windows version: a file
// header, a BITMAPINFOHEADER, a palette for 8 bits, then the rows, uncompressed, each padded to four bytes.
struct BitmapFile {
    std::string fault; // "" when the program can load it as it is
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bpp = 0;
    size_t pixels = 0;
    size_t palette = 0;
};

BitmapFile bitmapFile(const std::vector<unsigned char>& bmp) {
    BitmapFile file;
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') {
        file.fault = "not a bitmap file";
        return file;
    }
    file.pixels = le32(bmp, 10);
    file.palette = 14 + le32(bmp, 14);
    file.width = static_cast<int>(le32(bmp, 18));
    const auto rawHeight = static_cast<int32_t>(le32(bmp, 22));
    file.bottomUp = rawHeight > 0;
    file.height = file.bottomUp ? rawHeight : -rawHeight;
    file.bpp = static_cast<int>(le16(bmp, 28));
    if (le32(bmp, 2) != bmp.size()) {
        file.fault = "its header gives another file size";
    } else if (le32(bmp, 14) != 40) {
        file.fault = "not a BITMAPINFOHEADER";
    } else if (le16(bmp, 26) != 1) {
        file.fault = "not one plane";
    } else if (le32(bmp, 30) != 0) {
        file.fault = "compressed";
    } else if (file.bpp != 24 && file.bpp != 8) {
        file.fault = "neither 24 bits nor an 8-bit palette: " + std::to_string(file.bpp) + " bits";
    } else if (file.bpp == 8 &&
               (le32(bmp, 46) > 256 || file.palette + 4 * size_t{le32(bmp, 46)} > file.pixels)) {
        file.fault = "the palette runs into the pixels";
    } else if (file.width <= 0 || file.height <= 0 ||
               file.pixels + rowBytes(file.width, file.bpp) * static_cast<size_t>(file.height) > bmp.size()) {
        file.fault = "the rows run past the end of the file";
    }
    return file;
}

// The bitmaps the resource script embeds, by file name, in the order it names them.
std::vector<std::string> embeddedBitmaps() {
    std::ifstream script(std::string(TOVALSET_RESOURCES_DIR) + "/TovalSet.rc");
    std::vector<std::string> names;
    for (std::string line; std::getline(script, line);) {
        const size_t keyword = line.find(" BITMAP \"");
        if (keyword != std::string::npos && line.rfind("//", 0) != 0) {
            const size_t first = keyword + 9;
            names.push_back(line.substr(first, line.find('"', first) - first));
        }
    }
    return names;
}

// An embedded bitmap of exactly this size, loadable as it is.
void expectEmbeddedBitmapOfSize(const std::string& name, int width, int height) {
    SCOPED_TRACE(name);
    const auto bytes = readResource(name);
    ASSERT_FALSE(bytes.empty()) << "missing or empty";
    const BitmapFile file = bitmapFile(bytes);
    EXPECT_EQ(file.fault, "");
    EXPECT_EQ(file.width, width);
    EXPECT_EQ(file.height, height);
}

// The bitmap's pixels as RGB rows from the top; empty when it cannot be loaded.
std::vector<unsigned char> bmpPixels(const std::vector<unsigned char>& bmp, int& width, int& height) {
    const BitmapFile file = bitmapFile(bmp);
    if (!file.fault.empty()) {
        return {};
    }
    width = file.width;
    height = file.height;
    const size_t stride = rowBytes(width, file.bpp);
    std::vector<unsigned char> rgb;
    for (int y = 0; y < height; ++y) {
        const size_t row = file.pixels + stride * static_cast<size_t>(file.bottomUp ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const size_t at = file.bpp == 24
                                  ? row + static_cast<size_t>(x) * 3
                                  : file.palette + 4 * size_t{bmp.at(row + static_cast<size_t>(x))};
            rgb.insert(rgb.end(), {bmp.at(at + 2), bmp.at(at + 1), bmp.at(at)});
        }
    }
    return rgb;
}

// The program embeds the bitmaps the committed JPEGs decode to; they must be exactly those pixels.
void expectDecodedJpeg(const std::string& name) {
    int width = 0;
    int height = 0;
    const std::vector<unsigned char> bitmap = bmpPixels(readResource(name + ".bmp"), width, height);
    ASSERT_FALSE(bitmap.empty()) << name;
    const Jpeg jpeg = decode(readResource(name + ".jpg"), width, height);
    ASSERT_TRUE(jpeg.ok) << name << ": " << jpeg.error;
    EXPECT_EQ(width, jpeg.width) << name;
    EXPECT_EQ(height, jpeg.height) << name;
    EXPECT_TRUE(bitmap == jpeg.corner) << name << ": the bitmap is not the JPEG's decoded pixels";
}

// Each button's picture in every rendition the window may draw, named by its scale; the one for 100 % is
// the button's 130 x 35.
const char* const kRenditionSuffixes[] = {"", "-125", "-150", "-200"};
static_assert(std::size(kRenditionSuffixes) == tovalset::ui::kRenditionDpi.size(), "one file per rendition");

// The embedded background: the block-aligned cut of the full picture's top-left corner.
const char* const kBackground = "background-visible";

} // namespace

TEST(ArtworkTest, TheResourceScriptEmbedsEachButtonsRenditionsAndTheBackground) {
    std::vector<std::string> expected = {std::string(kBackground) + ".bmp"};
    for (const char* suffix : kRenditionSuffixes) {
        for (int i = 1; i <= 6; ++i) {
            expected.push_back("Command" + std::to_string(i) + suffix + ".bmp");
        }
    }
    EXPECT_EQ(embeddedBitmaps(), expected);
}

TEST(ArtworkTest, ButtonBitmapsAreLoadableAndTheButtonsSizeAtTheirScale) {
    using namespace tovalset::ui;
    ASSERT_EQ(ToPixels(kButtonWidthTwips, kBaseDpi), 130);
    ASSERT_EQ(ToPixels(kButtonHeightTwips, kBaseDpi), 35);
    for (std::size_t r = 0; r < kRenditionDpi.size(); ++r) {
        for (int i = 1; i <= 6; ++i) {
            // Exactly the button the window makes at that scale, so the picture is copied, not resampled.
            expectEmbeddedBitmapOfSize("Command" + std::to_string(i) + kRenditionSuffixes[r] + ".bmp",
                                       ToPixels(kButtonWidthTwips, kRenditionDpi[r]),
                                       ToPixels(kButtonHeightTwips, kRenditionDpi[r]));
        }
    }
}

TEST(ArtworkTest, EmbeddedBackgroundIsBlockAlignedAndCoversTheWindow) {
    const std::string name = std::string(kBackground) + ".bmp";
    expectEmbeddedBitmapOfSize(name, 320, 216);
    const BitmapFile file = bitmapFile(readResource(name));
    EXPECT_GE(file.width, kShownWidth);
    EXPECT_GE(file.height, kShownHeight);
    // Cut on the JPEG's 8 x 8 block grid, so that the cut holds the full picture's blocks unchanged.
    EXPECT_EQ(file.width % 8, 0);
    EXPECT_EQ(file.height % 8, 0);
}

TEST(ArtworkTest, EmbeddedBitmapsAreTheirJpegsDecoded) {
    for (int i = 1; i <= 6; ++i) {
        for (const char* suffix : kRenditionSuffixes) {
            expectDecodedJpeg("Command" + std::to_string(i) + suffix);
        }
    }
    expectDecodedJpeg(kBackground);
}

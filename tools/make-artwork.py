#!/usr/bin/python3
# Draws every picture the program embeds and writes it into ui/resources/, where the results are committed
# so that the normal build needs none of the tools below.
#
# Run from anywhere:  /usr/bin/python3 tools/make-artwork.py
# (Debian's interpreter: it is the one that sees Debian's Pillow.)
# Debian packages: python3-pil libraqm0 (Pillow's complex text layout, for the Persian captions),
# fonts-noto-core (Noto Naskh Arabic Bold and Noto Sans Bold), libjpeg-turbo-progs (jpegtran).
#
# The output is the same on every run: nothing below depends on time, randomness or the environment.

import os
import shutil
import struct
import subprocess
import sys

from PIL import Image, ImageDraw, ImageFont, features

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "ui", "resources")
FONT_DIR = "/usr/share/fonts/truetype/noto"
ARABIC_FONT = os.path.join(FONT_DIR, "NotoNaskhArabic-Bold.ttf")
LATIN_FONT = os.path.join(FONT_DIR, "NotoSans-Bold.ttf")

# Every button is 1950 x 525 twips; each is drawn natively, its caption shaped at that size, for each scale
# the program carries a rendition for (ui/Scale.h), and named with that scale's suffix.
BUTTON_TWIPS = (1950, 525)
RENDITIONS = [(96, ""), (120, "-125"), (144, "-150"), (192, "-200")]
# At 100 %; the others in proportion.
BUTTON_MARGIN = 3
CAPTION_SIZES = (17, 8)  # the largest caption size tried, and the first one too small to try
BACKGROUND_SIZE = (8400, 3200)
# The window shows only the top-left 313 x 213 of the background; the embedded copy is cut on the JPEG's
# 8 x 8 block grid, so it is the next multiple of 8 in each direction.
VISIBLE_CROP = "320x216+0+0"

TATWEEL = "\u0640"
STRETCH = TATWEEL * 3

# Captions in logical (reading) order. The last field is the green the gradient starts from.
GREEN = (16, 168, 40)
PALE_GREEN = (120, 214, 128)
BUTTONS = [
    ("Command1.jpg", "نصب گواهی های دیجیتال", GREEN),
    ("Command2.jpg", "تنظیمات IE", GREEN),
    ("Command3.jpg", "خ" + STRETCH + "روج", GREEN),
    ("Command4.jpg", "نصب گواهی دیجیتال(تمدید)", GREEN),
    ("Command5.jpg", "نصب میان افزار", GREEN),
    ("Command6.jpg", "راه" + STRETCH + "نما", PALE_GREEN),
]


def fail(message):
    sys.exit("make-artwork: " + message)


def check_tools():
    if not features.check("raqm"):
        fail("Pillow has no raqm layout; install libraqm0 (Persian would come out unjoined and left to right)")
    for path in (ARABIC_FONT, LATIN_FONT):
        if not os.path.exists(path):
            fail(path + " is missing; install fonts-noto-core")
    if shutil.which("jpegtran") is None:
        fail("jpegtran is missing; install libjpeg-turbo-progs")


# ---------------------------------------------------------------------------------------------------------
# Captions
#
# The Naskh face has no Latin letters and no parentheses, so a caption is cut into runs, each drawn with a
# face that has its glyphs: Arabic-script runs are shaped right to left by raqm, Latin letters left to right
# with Noto Sans. The paragraph reads right to left, so runs are laid out from the right; a parenthesis
# between Arabic runs takes the paragraph's direction and is mirrored, as the bidirectional rules ask.


def is_arabic(ch):
    return "\u0600" <= ch <= "\u06ff" or "\ufb50" <= ch <= "\ufdff" or "\ufe70" <= ch <= "\ufeff"


def classify(ch):
    if is_arabic(ch):
        return "ar"
    if ch.isascii() and ch.isalnum():
        return "latin"
    if ch in "()":
        return "paren"
    return "neutral"


def split_runs(text):
    """Cuts text into (kind, text) runs; spaces join the run before them."""
    runs = []
    for ch in text:
        kind = classify(ch)
        if kind == "neutral" and runs:
            kind = runs[-1][0]
        if runs and runs[-1][0] == kind and kind != "paren":
            runs[-1][1] += ch
        else:
            runs.append([kind, ch])
    return runs


MIRROR = {"(": ")", ")": "("}


def render_caption(text, size):
    """Returns an L image holding the caption's ink (255 = black), cropped tight."""
    arabic = ImageFont.truetype(ARABIC_FONT, size, layout_engine=ImageFont.Layout.RAQM)
    # Noto Sans capitals stand taller than the Naskh letters' body at the same size; shrink them to match.
    latin = ImageFont.truetype(LATIN_FONT, round(size * 0.8), layout_engine=ImageFont.Layout.RAQM)

    pieces = []  # (text, font, direction), in visual order from the right
    for kind, run in split_runs(text):
        if kind == "ar":
            pieces.append((run, arabic, "rtl"))
        elif kind == "paren":
            pieces.append(("".join(MIRROR.get(c, c) for c in run), latin, "ltr"))
        else:
            # A trailing space after Latin letters still separates it from the next run on its left.
            core = run.rstrip(" ")
            pieces.append((core, latin, "ltr"))
            if core != run:
                pieces.append((run[len(core):], arabic, "rtl"))

    canvas = Image.new("L", (size * 3 * len(text) + 40, size * 4), 0)
    draw = ImageDraw.Draw(canvas)
    baseline = size * 2
    x = canvas.width - 20
    for piece, font, direction in pieces:
        width = font.getlength(piece, direction=direction, language="fa" if direction == "rtl" else "en")
        x -= width
        draw.text(
            (round(x), baseline),
            piece,
            fill=255,
            font=font,
            anchor="ls",
            direction=direction,
            language="fa" if direction == "rtl" else "en",
        )
    box = canvas.getbbox()
    return canvas.crop(box)


def scaled(length, dpi):
    """A length at 100 % as whole pixels at dpi, halves up: the program's own rounding (ui/Scale.cpp), so
    that every rendition is exactly as large as the button the program makes at that scale."""
    return (length * dpi + 48) // 96


def button_size(dpi):
    return tuple((twips * dpi + 720) // 1440 for twips in BUTTON_TWIPS)


def fit_caption(text, size, dpi):
    """Largest font size, up to a comfortable one, whose ink fits inside the button with the margin."""
    margin = scaled(BUTTON_MARGIN, dpi)
    room_w = size[0] - 2 * margin
    room_h = size[1] - 2 * margin
    largest, too_small = (scaled(points, dpi) for points in CAPTION_SIZES)
    for font_size in range(largest, too_small, -1):
        ink = render_caption(text, font_size)
        if ink.width <= room_w and ink.height <= room_h:
            return ink
    fail("caption does not fit even at the smallest size: " + text)


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def make_button(text, start_green, dpi):
    w, h = button_size(dpi)
    face = Image.new("RGB", (w, h))
    px = face.load()
    for x in range(w):
        colour = lerp(start_green, (255, 255, 255), x / (w - 1))
        for y in range(h):
            px[x, y] = colour

    # A raised button: light from the top left, shadow along the bottom and right, each line one pixel
    # wide at 100 % and as wide as the scale makes it.
    highlight = (250, 255, 250)
    shadow_outer = (56, 76, 60)
    shadow_inner = (128, 146, 132)
    t = scaled(1, dpi)
    for x in range(w):
        for y in range(t):
            px[x, y] = highlight
    for y in range(h):
        for x in range(t):
            px[x, y] = highlight
    for x in range(t, w):
        for y in range(h - 2 * t, h - t):
            px[x, y] = shadow_inner
        for y in range(h - t, h):
            px[x, y] = shadow_outer
    for y in range(t, h):
        for x in range(w - 2 * t, w - t):
            px[x, y] = shadow_inner if y < h - t else shadow_outer
        for x in range(w - t, w):
            px[x, y] = shadow_outer

    ink = fit_caption(text, (w, h), dpi)
    left = (w - ink.width) // 2
    top = (h - ink.height) // 2
    face.paste((0, 0, 0), (left, top), ink)
    return face


def save_jpeg(image, name, quality):
    # Baseline (no progressive scans) and no chroma subsampling: small text and thin edges stay crisp, and
    # the background can be cut on its block grid without touching the pixels.
    image.save(os.path.join(OUT, name), "JPEG", quality=quality, subsampling=0, optimize=True, progressive=False)


# ---------------------------------------------------------------------------------------------------------
# Background: white, with the logo near the top-right corner.


def shield_outline(w, h):
    """Points of a shield inside w x h: flat top with rounded shoulders, straight sides, curved point."""
    points = []

    def quad(p0, p1, p2, steps=40):
        for i in range(1, steps + 1):
            t = i / steps
            points.append(
                (
                    (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
                    (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1],
                )
            )

    points.append((0, h * 0.08))
    quad((0, h * 0.08), (w * 0.25, h * 0.06), (w * 0.5, 0))
    quad((w * 0.5, 0), (w * 0.75, h * 0.06), (w, h * 0.08))
    points.append((w, h * 0.5))
    quad((w, h * 0.5), (w * 0.95, h * 0.82), (w * 0.5, h))
    quad((w * 0.5, h), (w * 0.05, h * 0.82), (0, h * 0.5))
    return points


def make_logo(width, height):
    scale = 4  # drawn large and reduced, for smooth edges
    W, H = width * scale, height * scale
    logo = Image.new("RGB", (W, H), (255, 255, 255))
    draw = ImageDraw.Draw(logo)
    gold = (214, 160, 24)
    navy = (22, 58, 112)
    draw.polygon(shield_outline(W, H), fill=gold)
    inset = W * 0.07
    inner = [(x + inset, y + inset * 1.1) for x, y in shield_outline(W - 2 * inset, H - 2.2 * inset)]
    draw.polygon(inner, fill=navy)
    font = ImageFont.truetype(LATIN_FONT, int(H * 0.42))
    draw.text((W / 2, H * 0.47), "TS", fill=(255, 255, 255), font=font, anchor="mm")
    return logo.resize((width, height), Image.LANCZOS)


def make_background():
    background = Image.new("RGB", BACKGROUND_SIZE, (255, 255, 255))
    logo = make_logo(520, 620)
    background.paste(logo, (BACKGROUND_SIZE[0] - 160 - logo.width, 140))
    return background


def cut_visible_region():
    source = os.path.join(OUT, "background.jpg")
    target = os.path.join(OUT, "background-visible.jpg")
    subprocess.run(
        ["jpegtran", "-crop", VISIBLE_CROP, "-copy", "none", "-outfile", target, source],
        check=True,
    )


# ---------------------------------------------------------------------------------------------------------
# Icon: a window sheet seen at a slant, in the classic form every Windows version reads (a BITMAPINFOHEADER
# with doubled height, the colour bitmap with its palette, then the AND mask; rows bottom up, each padded to
# four bytes). Pillow does not write palette images with an AND mask, so the bytes are put together here.

# The standard 16-colour palette, so the 4-bit images look the same on a 16-colour display.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # fmt: skip
BLACK, DARK_GREY, LIGHT_GREY, CYAN, WHITE = 0, 8, 7, 14, 15
TRANSPARENT = -1


# Per size: the sheet's top and bottom rows, its left end on the bottom row, its width, how many rows the
# sides take to lean one pixel, the title bar's height, and the shadow's offset.
ICON_LAYOUT = {
    32: dict(top=3, bottom=27, left=2, width=22, lean=4, bar=5, shadow=2),
    16: dict(top=1, bottom=13, left=1, width=11, lean=4, bar=3, shadow=1),
}


def icon_picture(size, colours):
    """Palette indices (TRANSPARENT where the desktop shows through) for a size x size icon.

    The sheet is a parallelogram whose sides lean right as they rise, drawn row by row rather than as an
    anti-aliased polygon: at 16 and 32 pixels with a fixed palette, whole pixels on a regular staircase stay
    crisp where a rasterised slant would break up.
    """
    g = ICON_LAYOUT[size]
    top, bottom = g["top"], g["bottom"]
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def span(y):
        left = g["left"] + (bottom - y) // g["lean"]
        return left, left + g["width"] - 1

    if colours == 16:
        d = g["shadow"]
        for y in range(top, bottom + 1):
            l, r = span(y)
            for x in range(l + d, r + d + 1):
                pixels[y + d][x] = DARK_GREY
    bar_colour = CYAN if colours == 16 else BLACK
    for y in range(top, bottom + 1):
        l, r = span(y)
        edge_row = y in (top, bottom)
        for x in range(l, r + 1):
            if edge_row or x in (l, r):
                pixels[y][x] = BLACK
            elif y <= top + g["bar"]:
                pixels[y][x] = bar_colour
            elif y == top + g["bar"] + 1:
                pixels[y][x] = BLACK  # the line under the title bar
            else:
                pixels[y][x] = WHITE
    if colours == 16 and size >= 32:
        # A few lines of text on the sheet, so it reads as a window rather than a card; they lean with it.
        for y, share in ((top + 10, 0.7), (top + 14, 0.55), (top + 18, 0.65)):
            l, _ = span(y)
            for x in range(l + 3, l + 3 + round(share * (g["width"] - 6))):
                pixels[y][x] = LIGHT_GREY
        # The close box at the right of the title bar.
        l, r = span(top + 3)
        for y in range(top + 2, top + 5):
            for x in range(r - 4, r - 1):
                pixels[y][x] = WHITE
    return pixels


def pack_rows(rows, bpp):
    """Packs rows of small integers, bottom row first, each row padded to a multiple of four bytes."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        nbits = 0
        line = bytearray()
        for value in row:
            bits = (bits << bpp) | value
            nbits += bpp
            if nbits == 8:
                line.append(bits)
                bits = nbits = 0
        if nbits:
            line.append(bits << (8 - nbits))
        while len(line) % 4:
            line.append(0)
        out += line
    return bytes(out)


def icon_image(size, colours):
    picture = icon_picture(size, colours)
    bpp = {2: 1, 16: 4}[colours]
    if colours == 2:
        palette = [(0, 0, 0), (255, 255, 255)]
        to_index = {BLACK: 0, WHITE: 1}
    else:
        palette = VGA16
        to_index = {i: i for i in range(16)}
    # Transparent pixels are black in the colour bitmap with the mask bit set, so the screen shows unchanged.
    xor_rows = [[0 if p == TRANSPARENT else to_index[p] for p in row] for row in picture]
    and_rows = [[1 if p == TRANSPARENT else 0 for p in row] for row in picture]
    xor = pack_rows(xor_rows, bpp)
    mask = pack_rows(and_rows, 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0, 0, 0)
    rgbquads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + rgbquads + xor + mask


def make_icon():
    formats = [(32, 2), (32, 16), (16, 16)]
    images = [icon_image(size, colours) for size, colours in formats]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (size, colours), data in zip(formats, images):
        bpp = {2: 1, 16: 4}[colours]
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(os.path.join(OUT, "TovalSet.ico"), "wb") as f:
        f.write(out)


def decoded_bitmap(jpeg_name):
    """The program embeds the pictures it shows as the bitmaps their JPEGs decode to: Windows then draws
    them without a picture decoder, which would otherwise be loaded at start-up for a few small images."""
    with Image.open(os.path.join(OUT, jpeg_name)) as jpeg:
        rgb = jpeg.convert("RGB")
        rgb.load()
    colours = rgb.getcolors(256)
    target = os.path.join(OUT, os.path.splitext(jpeg_name)[0] + ".bmp")
    if colours is not None:
        # Few colours (the white corner): a palette holds them exactly, at a third of the size.
        palette = Image.new("P", rgb.size)
        flat = [c for _, rgb_colour in colours for c in rgb_colour]
        palette.putpalette(flat + [0] * (768 - len(flat)))
        index = {rgb_colour: i for i, (_, rgb_colour) in enumerate(colours)}
        palette.putdata([index[p] for p in rgb.getdata()])
        palette.save(target, "BMP")
    else:
        rgb.save(target, "BMP")


def main():
    check_tools()
    renditions = [
        (os.path.splitext(name)[0] + suffix + ".jpg", text, green, dpi)
        for name, text, green in BUTTONS
        for dpi, suffix in RENDITIONS
    ]
    for name, text, green, dpi in renditions:
        save_jpeg(make_button(text, green, dpi), name, quality=95)
    save_jpeg(make_background(), "background.jpg", quality=90)
    cut_visible_region()
    for name, _, _, _ in renditions:
        decoded_bitmap(name)
    decoded_bitmap("background-visible.jpg")
    make_icon()


if __name__ == "__main__":
    main()

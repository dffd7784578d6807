#!/usr/bin/python3
"""Remakes Quentaril's images: the About banner, both windows' icons and the link cursor, and the banner and
icons at twice the size for screens scaled by 2 (the 32-pixel icons drawn at 64; a 16-pixel icon at 2x is the
32-pixel drawing, which is made for that many pixels).

Needs Debian's python3-pil and fonts-liberation2. Run it from anywhere; the images are written beside
it and committed, so a build never runs it:

    /usr/bin/python3 assets/make-assets.py

Everything is drawn from code (no image comes from elsewhere), so a change of colour or motif is a change
here followed by one run.
"""

from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
FONTS = Path("/usr/share/fonts/truetype/liberation2")

# One palette for every icon: 15 colours and transparency, so each icon stays within 16 colours.
INK = (27, 42, 36)
LEATHER_DARK = (92, 38, 30)
LEATHER = (140, 52, 40)
GOLD_DARK = (150, 104, 22)
GOLD = (222, 172, 58)
GOLD_LIGHT = (250, 224, 128)
PAGE = (246, 239, 214)
PAGE_SHADE = (206, 193, 156)
MARGIN_RED = (192, 57, 43)
RULE_BLUE = (120, 160, 200)
WHITE = (255, 255, 255)
INFO_BLUE = (36, 92, 176)
INFO_LIGHT = (110, 160, 228)
ENTRY_INK = (52, 58, 92)
ICON_PALETTE = [INK, LEATHER_DARK, LEATHER, GOLD_DARK, GOLD, GOLD_LIGHT, PAGE, PAGE_SHADE, MARGIN_RED, RULE_BLUE,
                ENTRY_INK, WHITE, INFO_BLUE, INFO_LIGHT]


def font(name, size):
    return ImageFont.truetype(str(FONTS / name), size)


def save_16_colours(image, path):
    """Saves an RGBA drawing made from ICON_PALETTE as an indexed PNG: index 0 transparent, no dithering."""
    palette = [(0, 0, 0)] + ICON_PALETTE
    assert len(palette) <= 16
    indexed = Image.new("P", image.size, 0)
    flat = []
    for colour in palette:
        flat.extend(colour)
    indexed.putpalette(flat)
    for y in range(image.height):
        for x in range(image.width):
            r, g, b, a = image.getpixel((x, y))
            if a < 128:
                continue
            if (r, g, b) not in palette[1:]:
                raise ValueError(f"{path.name}: colour {(r, g, b)} at {x},{y} is not in the icon palette")
            indexed.putpixel((x, y), palette.index((r, g, b), 1))
    indexed.save(path, transparency=0, optimize=False, bits=4)


# ---------------------------------------------------------------------------------------------------------------
# Icons: an open ledger on its green cover, with a stack of coins (main window) or an information disc (About).
# Drawn pixel by pixel at each size rather than scaled, so that both stay sharp.


def ledger_32(draw):
    # Leather cover, a little larger than the pages, with its lower edge in shade.
    draw.rectangle((1, 8, 30, 27), fill=LEATHER, outline=INK)
    draw.line((2, 26, 29, 26), fill=LEATHER_DARK)
    draw.line((2, 9, 2, 25), fill=LEATHER_DARK)
    # Pages and the edges of the sheets below them.
    for left, right in ((3, 15), (16, 28)):
        draw.rectangle((left, 5, right, 23), fill=PAGE, outline=INK)
    draw.line((3, 24, 28, 24), fill=PAGE_SHADE)
    draw.line((4, 25, 27, 25), fill=PAGE)
    # Spine shadow.
    draw.line((14, 6, 14, 22), fill=PAGE_SHADE)
    draw.line((17, 6, 17, 22), fill=PAGE_SHADE)
    # Ruled lines, a red margin on the left page and an amount column on the right one.
    for y in (9, 12, 15, 18, 21):
        draw.line((5, y, 13, y), fill=RULE_BLUE)
        draw.line((18, y, 26, y), fill=RULE_BLUE)
    draw.line((6, 6, 6, 22), fill=MARGIN_RED)
    draw.line((23, 6, 23, 22), fill=MARGIN_RED)
    # A few entries.
    for y, width in ((8, 5), (11, 4), (14, 6), (17, 3)):
        draw.line((8, y, 8 + width - 1, y), fill=ENTRY_INK)
    for y, width in ((8, 4), (11, 3)):
        draw.line((18, y, 18 + width - 1, y), fill=ENTRY_INK)
    for y in (8, 11, 14):
        draw.line((24, y, 26, y), fill=ENTRY_INK)


def coins_32(draw):
    # From the bottom coin up: each is its edge (dark) under its face.
    for left, top in ((19, 25), (20, 22), (19, 19)):
        draw.ellipse((left, top + 2, left + 12, top + 6), fill=GOLD_DARK, outline=INK)
        draw.ellipse((left, top, left + 12, top + 4), fill=GOLD, outline=GOLD_DARK)
    draw.line((22, 20, 28, 20), fill=GOLD_LIGHT)
    draw.point((21, 21), fill=GOLD_LIGHT)


def info_disc_32(draw):
    draw.ellipse((18, 17, 31, 30), fill=INFO_BLUE, outline=INK)
    draw.arc((19, 18, 30, 29), 160, 290, fill=INFO_LIGHT)
    draw.rectangle((24, 20, 25, 21), fill=WHITE)
    draw.rectangle((24, 23, 25, 27), fill=WHITE)
    draw.point([(23, 23), (23, 27), (26, 27)], fill=WHITE)


def ledger_16(draw):
    draw.rectangle((0, 4, 15, 14), fill=LEATHER, outline=LEATHER_DARK)
    draw.rectangle((1, 2, 14, 11), fill=PAGE, outline=INK)
    # Spine: a shade, not a line of ink, which would be too heavy at this size.
    draw.line((7, 3, 8, 3), fill=PAGE_SHADE)
    draw.line((7, 3, 7, 10), fill=PAGE_SHADE)
    draw.line((8, 3, 8, 10), fill=PAGE_SHADE)
    draw.line((1, 12, 14, 12), fill=PAGE_SHADE)
    for y in (5, 7, 9):
        draw.line((4, y, 6, y), fill=RULE_BLUE)
        draw.line((9, y, 12, y), fill=RULE_BLUE)
    draw.line((3, 3, 3, 10), fill=MARGIN_RED)
    draw.line((4, 4, 6, 4), fill=ENTRY_INK)
    draw.line((9, 4, 11, 4), fill=ENTRY_INK)


def coins_16(draw):
    for top in (12, 9):
        draw.ellipse((9, top + 1, 15, top + 4), fill=GOLD_DARK, outline=INK)
        draw.ellipse((9, top, 15, top + 3), fill=GOLD, outline=GOLD_DARK)
    draw.line((11, 10, 13, 10), fill=GOLD_LIGHT)


def info_disc_16(draw):
    draw.ellipse((8, 8, 15, 15), fill=INFO_BLUE, outline=INK)
    draw.point((11, 10), fill=WHITE)
    draw.point((12, 10), fill=WHITE)
    draw.rectangle((11, 12, 12, 13), fill=WHITE)


class Doubled:
    """Replays a drawing made for one grid on a grid `factor` times finer: each pixel becomes a square, each
    line as thick. Outlines stay crisp (no smoothing, the same 16 colours) while curves come out rounder."""

    def __init__(self, draw, factor):
        self.draw = draw
        self.factor = factor

    def box(self, x0, y0, x1, y1):
        k = self.factor
        return (x0 * k, y0 * k, x1 * k + k - 1, y1 * k + k - 1)

    def rectangle(self, xy, fill=None, outline=None):
        self.draw.rectangle(self.box(*xy), fill=fill, outline=outline, width=self.factor)

    def line(self, xy, fill):
        x0, y0, x1, y1 = xy
        assert x0 == x1 or y0 == y1, "only straight lines along the grid double exactly"
        self.draw.rectangle(self.box(min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1)), fill=fill)

    def ellipse(self, xy, fill=None, outline=None):
        self.draw.ellipse(self.box(*xy), fill=fill, outline=outline, width=self.factor)

    def arc(self, xy, start, end, fill):
        self.draw.arc(self.box(*xy), start, end, fill=fill, width=self.factor)

    def point(self, xy, fill):
        for x, y in (xy if isinstance(xy, list) else [xy]):
            self.draw.rectangle(self.box(x, y, x, y), fill=fill)


def make_icon(size, *painters, factor=1):
    image = Image.new("RGBA", (size * factor, size * factor), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    if factor != 1:
        draw = Doubled(draw, factor)
    for paint in painters:
        paint(draw)
    return image


# ---------------------------------------------------------------------------------------------------------------
# Link cursor: a pointing hand, black outline on white, the tip of the finger at (12, 1).

HAND = [
    "............XX",
    "...........XooX",
    "...........XooX",
    "...........XooX",
    "...........XooX",
    "...........XooXXX",
    "...........XooXooXXX",
    "...........XooXooXooXX",
    "...........XooXooXooXoX",
    "...........XooXooXooXooX",
    "......XX...XooXooXooXooX",
    ".....XooX..XoooooooooooX",
    ".....XoooX.XoooooooooooX",
    "......XooooooooooooooooX",
    ".......XoooooooooooooooX",
    "........XooooooooooooooX",
    ".........XooooooooooooX",
    "..........XoooooooooooX",
    "...........XooooooooooX",
    "...........XooooooooooX",
    "...........XXXXXXXXXXXX",
]
HOT_SPOT = (12, 1)


def make_cursor():
    image = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    for row, line in enumerate(HAND, start=1):
        for x, cell in enumerate(line):
            if cell == "X":
                image.putpixel((x, row), (0, 0, 0, 255))
            elif cell == "o":
                image.putpixel((x, row), (255, 255, 255, 255))
    assert image.getpixel(HOT_SPOT)[3] == 255, "the hot spot must lie on the tip of the finger"
    return image


# ---------------------------------------------------------------------------------------------------------------
# Banner: the program's name in gold on ledger-green leather, an open ledger with coins at the left and a
# faint ledger ruling behind the text.

BANNER_SIZE = (548, 86)
SCALE = 4  # drawn large and scaled down, for smooth edges


def banner_size(k):
    return (BANNER_SIZE[0] * k, BANNER_SIZE[1] * k)


def gradient(size, left, right):
    width, height = size
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    for x in range(width):
        t = x / (width - 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip(left, right))
        draw.line((x, 0, x, height), fill=colour)
    return image


def banner_background(k):
    """The leather and its ruling at k times the banner's size."""
    size = banner_size(k)
    width, height = size
    image = gradient(size, (17, 52, 42), (36, 92, 72))
    # Light from above: the top fades a little lighter.
    shade = Image.new("L", size, 0)
    draw = ImageDraw.Draw(shade)
    for y in range(height):
        draw.line((0, y, width, y), fill=round(38 * (1 - y / height) ** 2))
    image = Image.composite(Image.new("RGB", size, (120, 170, 150)), image, shade)

    # Ledger ruling: faint lines, a double margin and the amount columns.
    ruling = Image.new("RGBA", size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(ruling)
    for y in range(9 * k, height, 11 * k):
        draw.rectangle((110 * k, y, width, y + k - 1), fill=(230, 240, 220, 20))
    for x, alpha in ((398, 46), (401, 46), (470, 34), (520, 34)):
        draw.rectangle((x * k, 0, x * k + k - 1, height), fill=(226, 110, 96, alpha))
    image = Image.alpha_composite(image.convert("RGBA"), ruling)
    return image


def open_ledger(k):
    """The open ledger with its coins, drawn at SCALE, on a transparent layer k times the banner's size."""
    s = SCALE
    layer = Image.new("RGBA", (BANNER_SIZE[0] * s, BANNER_SIZE[1] * s), (0, 0, 0, 0))
    draw = ImageDraw.Draw(layer)

    def box(x0, y0, x1, y1):
        return (x0 * s, y0 * s, x1 * s, y1 * s)

    # Shadow under the book.
    shadow = Image.new("RGBA", layer.size, (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rounded_rectangle(box(16, 20, 104, 78), radius=6 * s, fill=(0, 0, 0, 110))
    shadow = shadow.filter(ImageFilter.GaussianBlur(4 * s))
    layer = Image.alpha_composite(layer, shadow)
    draw = ImageDraw.Draw(layer)

    # Cover.
    draw.rounded_rectangle(box(14, 16, 100, 74), radius=3 * s, fill=(92, 38, 30), outline=(52, 20, 16),
                           width=s)
    draw.rounded_rectangle(box(15, 17, 99, 73), radius=3 * s, outline=(190, 146, 62), width=max(1, s // 2))
    # Pages, a few sheets thick, curving up to the spine.
    for offset, colour in ((3, (214, 202, 168)), (2, (228, 218, 188)), (1, (238, 230, 204)), (0, (250, 245, 228))):
        draw.polygon([(17 * s, (20 + offset) * s), (56 * s, (24 + offset) * s), (56 * s, (70 + offset) * s),
                      (17 * s, (68 + offset) * s)], fill=colour)
        draw.polygon([(97 * s, (20 + offset) * s), (58 * s, (24 + offset) * s), (58 * s, (70 + offset) * s),
                      (97 * s, (68 + offset) * s)], fill=colour)
    # Spine.
    draw.rectangle(box(55.5, 23, 58.5, 71), fill=(198, 186, 150))
    draw.line((57 * s, 23 * s, 57 * s, 71 * s), fill=(150, 136, 100), width=s)

    # Ruling follows the page's slant: lines run from the outer edge down towards the spine.
    def page_y(x, y, left_page):
        # 4 units of drop across the page width.
        t = (x - 17) / 39 if left_page else (97 - x) / 39
        return y + 4 * t

    for row in range(6):
        y = 30 + row * 7
        draw.line((20 * s, page_y(20, y, True) * s, 54 * s, page_y(54, y, True) * s), fill=(150, 180, 210),
                  width=s // 2)
        draw.line((60 * s, page_y(60, y, False) * s, 94 * s, page_y(94, y, False) * s), fill=(150, 180, 210),
                  width=s // 2)
    draw.line((25 * s, 22 * s, 25 * s, 68.5 * s), fill=(205, 90, 80), width=s // 2)
    draw.line((83 * s, 22.5 * s, 83 * s, 68.5 * s), fill=(205, 90, 80), width=s // 2)
    draw.line((85 * s, 22.3 * s, 85 * s, 68.6 * s), fill=(205, 90, 80), width=s // 2)
    # Handwritten entries: short strokes of ink on the first lines.
    ink = (52, 58, 92)
    for row, length in ((0, 22), (1, 16), (2, 24), (3, 12)):
        y = 30 + row * 7 - 2
        draw.line((28 * s, page_y(28, y, True) * s, (28 + length) * s, page_y(28 + length, y, True) * s), fill=ink,
                  width=s)
        draw.line((62 * s, page_y(62, y, False) * s, (62 + length * 0.7) * s,
                   page_y(62 + length * 0.7, y, False) * s), fill=ink, width=s)
        draw.line((87 * s, page_y(87, y, False) * s, 93 * s, page_y(93, y, False) * s), fill=ink, width=s)
    # A ribbon bookmark hanging from the spine.
    draw.polygon([(59 * s, 70 * s), (64 * s, 70 * s), (64 * s, 82 * s), (61.5 * s, 79.5 * s), (59 * s, 82 * s)],
                 fill=(176, 40, 36))

    # A stack of coins in front of the right page.
    for index, top in enumerate((66, 61, 56, 51)):
        left = 84 + (index % 2)
        draw.ellipse((left * s, (top + 3) * s, (left + 22) * s, (top + 11) * s), fill=(120, 80, 14))
        draw.rectangle((left * s, (top + 3 + 4) * s, (left + 22) * s, (top + 3 + 7) * s), fill=(120, 80, 14))
        draw.ellipse((left * s, top * s, (left + 22) * s, (top + 8) * s), fill=(232, 184, 70),
                     outline=(150, 104, 22), width=s // 2)
        draw.ellipse(((left + 4) * s, (top + 1.6) * s, (left + 18) * s, (top + 6.4) * s), outline=(250, 222, 130),
                     width=s // 2)
    return layer.resize(banner_size(k), Image.LANCZOS)


def banner_text(image, k):
    draw = ImageDraw.Draw(image)
    title_font = font("LiberationSerif-Bold.ttf", 44 * k)
    subtitle_font = font("LiberationSans-Italic.ttf", 14 * k)
    title = "Quentaril"
    x, baseline = 128 * k, 48 * k

    # Soft dark shadow, then gold lettering lit from above.
    shadow = Image.new("RGBA", image.size, (0, 0, 0, 0))
    ImageDraw.Draw(shadow).text((x + 2 * k, baseline + 2 * k), title, font=title_font, anchor="ls",
                                fill=(0, 0, 0, 150))
    image = Image.alpha_composite(image, shadow.filter(ImageFilter.GaussianBlur(2 * k)))

    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).text((x, baseline), title, font=title_font, anchor="ls", fill=255)
    top = baseline - 34 * k
    gold = Image.new("RGBA", image.size)
    gold_draw = ImageDraw.Draw(gold)
    for y in range(image.height):
        t = min(max((y - top) / (38 * k), 0), 1)
        colour = tuple(round(a + (b - a) * t) for a, b in zip((255, 236, 160), (204, 150, 48)))
        gold_draw.line((0, y, image.width, y), fill=colour + (255,))
    image = Image.composite(gold, image, mask)

    draw = ImageDraw.Draw(image)
    draw.rectangle((130 * k, 58 * k, 372 * k, 58 * k + k - 1), fill=(200, 160, 74))
    draw.text((131 * k, 75 * k), "Le carnet de comptes de vos proches", font=subtitle_font, anchor="ls",
              fill=(232, 224, 196))
    return image


def make_banner(k=1):
    image = banner_background(k)
    image = Image.alpha_composite(image, open_ledger(k))
    image = banner_text(image, k)
    draw = ImageDraw.Draw(image)
    # A thin gold edge along the bottom sets the banner off from the window below it.
    width, height = banner_size(k)
    draw.rectangle((0, height - 2 * k, width, height - k - 1), fill=(190, 150, 62))
    draw.rectangle((0, height - k, width, height - 1), fill=(96, 74, 28))
    return image.convert("RGB")


def main():
    for k, suffix in ((1, ""), (2, "@2x")):
        make_banner(k).save(HERE / f"banner{suffix}.jpg", quality=92, subsampling=0, optimize=True)
    save_16_colours(make_icon(32, ledger_32, coins_32), HERE / "main-icon-32.png")
    save_16_colours(make_icon(16, ledger_16, coins_16), HERE / "main-icon-16.png")
    save_16_colours(make_icon(32, ledger_32, info_disc_32), HERE / "about-icon-32.png")
    save_16_colours(make_icon(16, ledger_16, info_disc_16), HERE / "about-icon-16.png")
    save_16_colours(make_icon(32, ledger_32, coins_32, factor=2), HERE / "main-icon-64.png")
    save_16_colours(make_icon(32, ledger_32, info_disc_32, factor=2), HERE / "about-icon-64.png")
    # The cursor stays single: X shows a cursor at its own pixel size, whatever Qt's scale factor.
    make_cursor().save(HERE / "link-cursor.png")


if __name__ == "__main__":
    main()

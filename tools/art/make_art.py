#!/usr/bin/env python3
"""Draws the updater's two pictures and writes them as resource files.

    python3 tools/art/make_art.py [OUTPUT_DIR]

writes side.bmp (the wizard's side picture, 138 x 235) and updater.ico (the
program icon, 32 x 32 and 16 x 16) into OUTPUT_DIR, by default wizard/art/ of
this checkout.  Standard library only, and deterministic (no randomness, no
clock): the same script writes the same bytes, so the files in the tree can be
checked against a fresh run (check_art.py does).

Everything is drawn in the sixteen colours of the standard VGA palette, 4 bits
a pixel.  The pictures must look the same on a 16-colour display as on a
true-colour one, and a 4-bit bitmap with this palette is drawn unchanged
everywhere; any other colour would be mapped to its nearest neighbour by the
system, unpredictably.  Shades between the sixteen are made with ordered
(Bayer) dithering: it keeps gradients calm and, unlike error diffusion, ties
the pattern to absolute pixel positions, so areas filled one after another
still line up.
"""

import math
import os
import struct
import sys

# The standard 16-colour palette, in its usual order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
(BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER,
 GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, CYAN, WHITE) = range(16)

# 4 x 4 Bayer matrix; thresholds are (value + 0.5) / 16.
BAYER4 = [
    [0, 8, 2, 10],
    [12, 4, 14, 6],
    [3, 11, 1, 9],
    [15, 7, 13, 5],
]


def dither(ramp, t, x, y):
    """Palette index for position t (0..1) along a ramp of palette indices."""
    t = min(max(t, 0.0), 1.0) * (len(ramp) - 1)
    i = min(int(t), len(ramp) - 2)
    threshold = (BAYER4[y & 3][x & 3] + 0.5) / 16.0
    return ramp[i + 1] if t - i > threshold else ramp[i]


class Canvas:
    """A grid of palette indices, top row first.  None marks a transparent
    pixel (used by icons only)."""

    def __init__(self, width, height, colour=None):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def shade(self, inside, colour):
        """Paints every pixel whose centre satisfies inside(x, y).  colour is a
        palette index or a function (x, y) -> palette index."""
        paint = colour if callable(colour) else (lambda x, y: colour)
        for y in range(self.height):
            for x in range(self.width):
                if inside(x + 0.5, y + 0.5):
                    self.pixels[y][x] = paint(x, y)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the half-open box [x0, x1) x [y0, y1)."""
        paint = colour if callable(colour) else (lambda x, y: colour)
        for y in range(max(y0, 0), min(y1, self.height)):
            for x in range(max(x0, 0), min(x1, self.width)):
                self.pixels[y][x] = paint(x, y)

    def hline(self, x0, x1, y, colour):
        self.rect(x0, y, x1, y + 1, colour)

    def vline(self, x, y0, y1, colour):
        self.rect(x, y0, x + 1, y1, colour)

    def outlined(self, pixels, edge):
        """Paints {(x, y): colour} with a one-pixel edge round the whole
        shape (8-neighbourhood)."""
        for x, y in pixels:
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    if (x + dx, y + dy) not in pixels:
                        self.put(x + dx, y + dy, edge)
        for (x, y), colour in pixels.items():
            self.put(x, y, colour)

    def pattern(self, rows, left, top, legend, edge=None):
        """Paints a picture given as text rows, one character a pixel, with
        an edge round it; characters not in legend are left alone."""
        pixels = {}
        for dy, row in enumerate(rows.strip("\n").split("\n")):
            for dx, ch in enumerate(row):
                if ch in legend:
                    pixels[(left + dx, top + dy)] = legend[ch]
        if edge is None:
            for (x, y), colour in pixels.items():
                self.put(x, y, colour)
        else:
            self.outlined(pixels, edge)

    def polygon(self, points, colour):
        self.shade(lambda x, y: inside_polygon(points, x, y), colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.shade(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0, colour)

    def gradient(self, x0, y0, x1, y1, ramp, t_of):
        """Fills a box with a dithered ramp; t_of(x, y) gives the position."""
        self.rect(x0, y0, x1, y1, lambda x, y: dither(ramp, t_of(x, y), x, y))

def inside_polygon(points, x, y):
    """Even-odd rule."""
    inside = False
    n = len(points)
    for i in range(n):
        (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
        if (ya > y) != (yb > y):
            if x < xa + (y - ya) * (xb - xa) / (yb - ya):
                inside = not inside
    return inside


# ---------------------------------------------------------------- side picture

SIDE_W, SIDE_H = 138, 235
HORIZON = 194

# (x, y, bright): placed by hand, away from the glow.
STARS = [(14, 12, True), (41, 27, False), (63, 8, False), (97, 19, True),
         (124, 36, False), (22, 49, False), (111, 63, False), (8, 78, False),
         (82, 41, False), (130, 9, False)]


def draw_bank(c, cx, base, columns=5):
    """A classical bank front: steps, columns, entablature and a pediment with
    a coin in the tympanum.  Light from the upper left."""
    # Steps, widest at the bottom.
    for i, half in enumerate((54, 50, 46)):
        y1 = base - 4 * i
        c.rect(cx - half, y1 - 4, cx + half, y1, SILVER)
        c.hline(cx - half, cx + half, y1 - 4, WHITE)
        c.hline(cx - half, cx + half, y1 - 1, GREY)
        c.vline(cx + half - 1, y1 - 4, y1, GREY)
    floor = base - 12

    # Dark hall behind the columns.
    col_top = floor - 58
    c.gradient(cx - 40, col_top, cx + 40, floor, [BLACK, NAVY],
               lambda x, y: 0.25 + 0.6 * (y - col_top) / 58)

    # Columns: white lit edge, silver body, grey shadow side.
    pitch = 80 / columns
    for k in range(columns):
        left = int(round(cx - 40 + k * pitch + pitch / 2 - 4))
        c.rect(left - 1, floor - 3, left + 9, floor, SILVER)        # base
        c.hline(left - 1, left + 9, floor - 3, WHITE)
        c.rect(left, col_top + 3, left + 8, floor - 3, SILVER)       # shaft
        c.vline(left, col_top + 3, floor - 3, WHITE)
        c.vline(left + 1, col_top + 3, floor - 3, WHITE)
        c.vline(left + 6, col_top + 3, floor - 3, GREY)
        c.vline(left + 7, col_top + 3, floor - 3, GREY)
        c.vline(left + 4, col_top + 5, floor - 5, WHITE)             # flute
        c.rect(left - 1, col_top, left + 9, col_top + 3, SILVER)     # capital
        c.hline(left - 1, left + 9, col_top + 2, GREY)

    # Entablature.
    top = col_top - 12
    c.rect(cx - 46, top, cx + 46, col_top, SILVER)
    c.hline(cx - 46, cx + 46, top, WHITE)
    c.hline(cx - 44, cx + 44, top + 5, GREY)                          # frieze
    c.hline(cx - 44, cx + 44, top + 6, WHITE)
    c.hline(cx - 46, cx + 46, col_top - 1, GREY)
    c.vline(cx + 45, top, col_top, GREY)

    # Pediment: raking cornice, then a recessed tympanum.
    apex = top - 28
    c.polygon([(cx - 50, top), (cx, apex), (cx + 50, top)], SILVER)
    c.polygon([(cx - 50, top), (cx, apex), (cx + 1, apex + 3), (cx - 44, top)], WHITE)
    c.polygon([(cx + 1, apex + 1), (cx + 50, top), (cx + 47, top), (cx + 1, apex + 3)], GREY)
    c.polygon([(cx - 40, top - 2), (cx, apex + 7), (cx + 40, top - 2)],
              lambda x, y: dither([GREY, SILVER], 0.55, x, y))
    c.hline(cx - 50, cx + 50, top - 1, SILVER)
    c.hline(cx - 48, cx + 48, top - 1, GREY)

    # A gold coin in the tympanum.
    coin_y = top - 9
    c.ellipse(cx + 0.5, coin_y + 0.5, 4.6, 4.6, OLIVE)
    c.ellipse(cx, coin_y, 4.0, 4.0, YELLOW)
    c.ellipse(cx + 0.5, coin_y + 0.5, 1.8, 1.8, OLIVE)


def draw_side():
    c = Canvas(SIDE_W, SIDE_H)
    cx = SIDE_W // 2
    sun_y = 100

    # Sky: night blue at the top, lightening toward the horizon, with a soft
    # dawn glow rising behind the building.
    sky = [BLACK, NAVY, BLUE, CYAN]

    def sky_t(x, y):
        t = 0.22 + 0.30 * (y / HORIZON) ** 1.4
        glow = max(0.0, 1.0 - math.hypot(x - cx, (y - sun_y) * 1.2) / 80.0)
        return min(t + 0.22 * glow ** 1.3, 0.62)
    c.gradient(0, 0, SIDE_W, HORIZON, sky, sky_t)

    # A distant skyline, a shade darker than the sky around it.
    skyline = [(0, 176), (9, 176), (9, 168), (17, 168), (17, 160), (24, 160),
               (24, 172), (32, 172), (32, 164), (38, 164), (38, HORIZON),
               (100, HORIZON), (100, 166), (107, 166), (107, 156), (114, 156),
               (114, 170), (121, 170), (121, 162), (130, 162), (130, 174),
               (SIDE_W, 174), (SIDE_W, HORIZON), (0, HORIZON)]
    c.polygon(skyline, lambda x, y: dither(sky, sky_t(x, y) - 0.2, x, y))

    # Ground: a plaza that darkens toward the viewer.
    c.gradient(0, HORIZON, SIDE_W, SIDE_H, [BLACK, NAVY, TEAL],
               lambda x, y: 0.62 - 0.45 * ((y - HORIZON) / (SIDE_H - HORIZON)) ** 0.7)
    c.hline(0, SIDE_W, HORIZON, TEAL)

    # Paving joints receding toward the building.
    for k in range(-4, 5):
        for y in range(HORIZON + 1, SIDE_H):
            x = int(math.floor(cx + k * (10 + (y - HORIZON) * 1.1)))
            c.put(x, y, dither([NAVY, TEAL], 0.5, x, y))

    # A few late stars in the dark upper sky.
    for x, y, bright in STARS:
        c.put(x, y, WHITE if bright else SILVER)
        if bright:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                c.put(x + dx, y + dy, GREY)

    draw_bank(c, cx, HORIZON + 14)
    return c


# ------------------------------------------------------------------------ icon

# A clockwise arrow on a white disc, the usual sign for "update".  At icon
# sizes a drawn curve turns to mush, so the badges are set pixel by pixel:
# B is the arrow, W the disc; an outline is added round the whole.
ARROW_LARGE = """
.....WWWWW.....
...WWWWBWWWW...
..WWWWWBBWWWW..
.WWWWBBBBBWWWW.
.WWWBBBBBBWWWW.
WWWBBBWBBWWWWWW
WWWBBWWBWWWWWWW
WWWBBWWWWWBBWWW
WWWBBWWWWWBBWWW
WWWBBBWWWBBBWWW
.WWWBBBBBBBWWW.
.WWWWBBBBBWWWW.
..WWWWWWWWWWW..
...WWWWWWWWW...
.....WWWWW.....
"""

ARROW_SMALL = """
..WWWW..
.WWWBWW.
WWBBBBWW
WBWWBWWW
WBWWWWBW
WBWWWWBW
.WBBBBW.
..WWWW..
"""

# The gold coin in the pediment: Y face, O its shaded rim.
COIN = """
.YYO.
YYYYO
YYYYO
.OOO.
"""


def draw_icon_bank(c, w, h, columns):
    """The bank front of the side picture, reduced to a w x h icon and
    outlined in black so that it reads on any background."""
    mid = w / 2
    roof = int(h * 0.34)
    c.polygon([(-0.5, roof + 0.5), (mid, 0), (w + 0.5, roof + 0.5)], BLACK)
    c.polygon([(1.5, roof), (mid, 1.6), (w - 1.5, roof)], SILVER)
    c.polygon([(1.5, roof), (mid, 1.6), (mid, 3.2), (3.6, roof)], WHITE)
    beam = roof + max(2, h // 10)
    c.rect(1, roof, w - 1, beam, SILVER)
    c.hline(1, w - 1, roof, WHITE)
    c.hline(0, w, beam, BLACK)
    steps = h - max(2, h // 8) - 1
    c.rect(2, beam + 1, w - 2, steps, NAVY)
    pitch = (w - 4) / columns
    col = max(2, int(pitch * 0.6))
    for k in range(columns):
        left = int(2 + k * pitch + (pitch - col) / 2 + 0.5)
        c.rect(left, beam + 1, left + col, steps, SILVER)
        c.vline(left, beam + 1, steps, WHITE)
        if col > 3:
            c.vline(left + col - 1, beam + 1, steps, GREY)
    c.rect(1, steps, w - 1, h - 1, SILVER)
    c.hline(1, w - 1, steps, WHITE)
    c.hline(0, w, h - 1, BLACK)
    c.vline(0, roof, h, BLACK)
    c.vline(w - 1, roof, h, BLACK)
    c.vline(1, beam, steps, BLACK)
    c.vline(w - 2, beam, steps, BLACK)


def draw_icon32():
    c = Canvas(32, 32)
    draw_icon_bank(c, 32, 30, 4)
    c.pattern(COIN, 14, 5, {'Y': YELLOW, 'O': OLIVE})
    c.pattern(ARROW_LARGE, 16, 16, {'B': BLUE, 'W': WHITE}, BLACK)
    return c


def draw_icon16():
    c = Canvas(16, 16)
    draw_icon_bank(c, 16, 15, 3)
    c.put(7, 3, YELLOW)
    c.put(8, 3, YELLOW)
    c.pattern(ARROW_SMALL, 7, 7, {'B': BLUE, 'W': WHITE}, BLACK)
    return c


# ---------------------------------------------------------------- file formats

def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def packed_rows(canvas):
    """4-bit pixel rows, bottom row first, each padded to 4 bytes."""
    stride = (canvas.width * 4 + 31) // 32 * 4
    out = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = [p if p is not None else BLACK for p in canvas.pixels[y]]
        if len(row) % 2:
            row.append(0)
        line = bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))
        out += line.ljust(stride, b"\0")
    return bytes(out)


def mask_rows(canvas):
    """1-bit AND mask rows, bottom row first: 1 where transparent."""
    stride = (canvas.width + 31) // 32 * 4
    out = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        line = bytearray(stride)
        for x, p in enumerate(canvas.pixels[y]):
            if p is None:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def info_header(width, height, image_size):
    # 3780 pixels a metre is 96 dots an inch.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0,
                       image_size, 3780, 3780, 16, 0)


def bmp_bytes(canvas):
    pixels = packed_rows(canvas)
    offset = 14 + 40 + 16 * 4
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + info_header(canvas.width, canvas.height, len(pixels))
            + palette_bytes() + pixels)


def ico_bytes(canvases):
    images = []
    for c in canvases:
        xor, mask = packed_rows(c), mask_rows(c)
        # An icon image's header gives twice its height: the colour image
        # and the AND mask are stacked.
        images.append(info_header(c.width, 2 * c.height, len(xor) + len(mask))
                      + palette_bytes() + xor + mask)
    out = struct.pack("<HHH", 0, 1, len(canvases))
    offset = 6 + 16 * len(canvases)
    for c, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width, c.height, 16, 0, 1, 4,
                           len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main(argv):
    if len(argv) > 2:
        sys.stderr.write("usage: make_art.py [OUTPUT_DIR]\n")
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = argv[1] if len(argv) == 2 else os.path.join(here, "..", "..", "wizard", "art")
    os.makedirs(out_dir, exist_ok=True)
    files = {
        "side.bmp": bmp_bytes(draw_side()),
        "updater.ico": ico_bytes([draw_icon32(), draw_icon16()]),
    }
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Checks the pictures in wizard/art/ against what the resources need, and
that they are exactly what make_art.py draws today.

    python3 tools/art/check_art.py [ART_DIR]

Prints one line per problem and exits 1 if there is any, else exits 0.
"""

import os
import struct
import sys
import tempfile

sys.dont_write_bytecode = True  # leave no __pycache__ beside the sources
import make_art  # noqa: E402

# The standard VGA colours 0..15 as RGB, written out here rather than taken
# from make_art so that a slip in its table cannot pass unnoticed.
VGA_RGB = ("000000 800000 008000 808000 000080 800080 008080 C0C0C0 "
           "808080 FF0000 00FF00 FFFF00 0000FF FF00FF 00FFFF FFFFFF").split()
VGA = b"".join(bytes.fromhex(c)[::-1] + b"\0" for c in VGA_RGB)  # RGBQUAD: B, G, R, 0


def check_dib(data, width, height, problems, what, icon=False):
    """A BITMAPINFOHEADER with its palette; icon images stack an AND mask
    under the colour image, which doubles the height in the header."""
    (size, w, h, planes, bits, compression, _, _, _, used, _) = \
        struct.unpack_from("<IiiHHIIiiII", data, 0)
    want_h = 2 * height if icon else height  # positive: bottom-up
    if (size, w, h, planes, bits, compression) != (40, width, want_h, 1, 4, 0):
        problems.append(f"{what}: header {size, w, h, planes, bits, compression}")
    if used not in (0, 16):
        problems.append(f"{what}: {used} palette entries")
    if data[40:40 + 64] != VGA:
        problems.append(f"{what}: palette is not the standard 16 colours")
    pixels = ((width * 4 + 31) // 32 * 4) * height
    mask = ((width + 31) // 32 * 4) * height if icon else 0
    if len(data) != 40 + 64 + pixels + mask:
        problems.append(f"{what}: {len(data)} bytes of image")


def check_bmp(data, problems):
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or file_size != len(data) or offset != 14 + 40 + 64:
        problems.append(f"side.bmp: file header {magic, file_size, offset}")
    check_dib(data[14:], 138, 235, problems, "side.bmp")


def check_ico(data, problems):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind, count) != (0, 1, 2):
        problems.append(f"updater.ico: directory {reserved, kind, count}")
        return
    sizes = []
    for i in range(count):
        w, h, colours, _, planes, bits, length, offset = \
            struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        sizes.append(w)
        what = f"updater.ico {w}x{h}"
        if w != h or (colours, planes, bits) != (16, 1, 4):
            problems.append(f"{what}: entry {w, h, colours, planes, bits}")
        check_dib(data[offset:offset + length], w, h, problems, what, icon=True)
    if sorted(sizes) != [16, 32]:
        problems.append(f"updater.ico: sizes {sizes}")


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    art = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "wizard", "art")
    problems = []
    with tempfile.TemporaryDirectory() as fresh:
        make_art.main(["make_art.py", fresh])
        for name, check in (("side.bmp", check_bmp), ("updater.ico", check_ico)):
            with open(os.path.join(art, name), "rb") as f:
                data = f.read()
            check(data, problems)
            with open(os.path.join(fresh, name), "rb") as f:
                if f.read() != data:
                    problems.append(f"{name}: differs from a fresh make_art.py run")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

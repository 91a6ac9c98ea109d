#!/usr/bin/env python3
"""Writes the 32-bit images of an icon group (.ico) as PNG files, one per size, for the desktop's
icon theme: OUT/<size>x<size>.png. Standard library only.

  icon_pngs.py ICON OUT
"""

import os
import struct
import sys

# The picture generator's PNG writer (it draws the icon group in the first place).
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                                "artgen"))
from artgen import png_bytes  # noqa: E402


def dib_to_png(data, size):
    """A 32-bit DIB of an icon: a 40-byte header, then BGRA rows from the bottom up."""
    header_size, width, double_height, _, bits = struct.unpack_from("<IiiHH", data, 0)
    if bits != 32 or width != size or double_height != 2 * size:
        raise ValueError("not a %dx%d 32-bit image" % (size, size))
    stride = size * 4
    rows = []
    for y in range(size - 1, -1, -1):
        start = header_size + y * stride
        bgra = data[start:start + stride]
        if len(bgra) != stride:
            raise ValueError("the %dx%d image is cut off" % (size, size))
        rows.append([(bgra[x + 2], bgra[x + 1], bgra[x], bgra[x + 3]) for x in range(0, stride, 4)])
    return png_bytes(size, size, rows, True)


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    icon, out = sys.argv[1], sys.argv[2]
    data = open(icon, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        print("icon_pngs: %s is no icon group" % icon, file=sys.stderr)
        return 2
    os.makedirs(out, exist_ok=True)
    written = 0
    for i in range(count):
        width, _, _, _, _, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        size = width or 256
        image = data[offset:offset + length]
        if image.startswith(b"\x89PNG"):
            content = image
        elif bits == 32:
            content = dib_to_png(image, size)
        else:
            continue  # the 8-bit images repeat the 32-bit ones for old displays
        with open(os.path.join(out, "%dx%d.png" % (size, size)), "wb") as f:
            f.write(content)
        written += 1
    if written == 0:
        print("icon_pngs: %s has no 32-bit image" % icon, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the indicator pictures BILD1..BILD38, the TOOLSICON icon group, the
version record and the contact sheet from code.

Everything under resources/ that the two builds compile or embed comes from
here, so a change to the art is a change to this file followed by a run:

    python3 tools/artgen/artgen.py            # (re)write the files in the repository
    python3 tools/artgen/artgen.py --check    # exit 1 when a committed file is stale

The output is deterministic: shapes are tested at fixed subsample points with
plain IEEE double arithmetic (no sin/cos from the C library, whose last bit may
differ between platforms; directions come from exact constants), and pixel
colours are integer averages of the subsamples.
"""

import argparse
import os
import struct
import sys
import zlib

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

WHITE = (255, 255, 255)
LIGHT_GREY = (200, 200, 200)
GREY = (152, 152, 152)
GREEN = (0, 255, 0)
DARK_GREEN = (0, 63, 0)
BLUE = (0, 0, 255)
BLACK = (0, 0, 0)

SUBSAMPLES = 4  # per axis, so 16 samples per pixel

SQRT_HALF = 0.5 ** 0.5
SQRT3_HALF = 3.0 ** 0.5 / 2.0

# Unit vectors in screen coordinates (y grows downwards) for the twelve clock
# positions, 12 o'clock first, each 30 degrees clockwise from the one before.
CLOCK = (
    (0.0, -1.0), (0.5, -SQRT3_HALF), (SQRT3_HALF, -0.5),
    (1.0, 0.0), (SQRT3_HALF, 0.5), (0.5, SQRT3_HALF),
    (0.0, 1.0), (-0.5, SQRT3_HALF), (-SQRT3_HALF, 0.5),
    (-1.0, 0.0), (-SQRT3_HALF, -0.5), (-0.5, -SQRT3_HALF),
)

# The rotary selector's four positions: 9 o'clock, half past 10, 12, half past 1.
ROTARY = ((-1.0, 0.0), (-SQRT_HALF, -SQRT_HALF), (0.0, -1.0), (SQRT_HALF, -SQRT_HALF))


# --------------------------------------------------------------------------
# Shapes. All are convex, which lets the rasteriser fill a pixel whole when its
# four corners are inside.

class Rect:
    def __init__(self, x0, y0, x1, y1):
        self.bbox = (x0, y0, x1, y1)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.bbox
        return x0 <= x < x1 and y0 <= y < y1


class Disc:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        dx = x - self.cx
        dy = y - self.cy
        return dx * dx + dy * dy <= self.r2


class Capsule:
    """A line from a to b with round ends; r is half its width."""

    def __init__(self, ax, ay, bx, by, r):
        self.ax, self.ay = ax, ay
        self.dx, self.dy = bx - ax, by - ay
        self.len2 = self.dx * self.dx + self.dy * self.dy
        self.r2 = r * r
        self.bbox = (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)

    def contains(self, x, y):
        px = x - self.ax
        py = y - self.ay
        t = (px * self.dx + py * self.dy) / self.len2 if self.len2 else 0.0
        t = 0.0 if t < 0.0 else (1.0 if t > 1.0 else t)
        ex = px - t * self.dx
        ey = py - t * self.dy
        return ex * ex + ey * ey <= self.r2


class Polygon:
    """Convex polygon; the vertices may go either way round."""

    def __init__(self, points):
        area = 0.0
        for i, (x0, y0) in enumerate(points):
            x1, y1 = points[(i + 1) % len(points)]
            area += x0 * y1 - x1 * y0
        self.points = list(points) if area > 0 else list(reversed(points))
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        pts = self.points
        for i, (x0, y0) in enumerate(pts):
            x1, y1 = pts[(i + 1) % len(pts)]
            if (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0) < 0.0:
                return False
        return True


# --------------------------------------------------------------------------
# Rasteriser

_OFFSETS = [(i + 0.5) / SUBSAMPLES for i in range(SUBSAMPLES)]
_SAMPLE_COUNT = SUBSAMPLES * SUBSAMPLES


def render(width, height, layers, ground):
    """Paints layers (shape, colour), first one lowest, over ground.

    Returns rows of pixels, top row first. With ground None the result is
    RGBA with alpha from coverage; otherwise RGB.
    """
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            hits = [l for l in layers
                    if l[0].bbox[0] < px + 1 and l[0].bbox[2] > px
                    and l[0].bbox[1] < py + 1 and l[0].bbox[3] > py]
            sums = [0, 0, 0]
            covered = 0
            pending = [(px + ox, py + oy) for oy in _OFFSETS for ox in _OFFSETS]
            for shape, colour in reversed(hits):
                if (shape.contains(px, py) and shape.contains(px + 1, py)
                        and shape.contains(px, py + 1) and shape.contains(px + 1, py + 1)):
                    taken = len(pending)
                    pending = []
                else:
                    rest = [p for p in pending if not shape.contains(p[0], p[1])]
                    taken = len(pending) - len(rest)
                    pending = rest
                if taken:
                    covered += taken
                    sums[0] += colour[0] * taken
                    sums[1] += colour[1] * taken
                    sums[2] += colour[2] * taken
                if not pending:
                    break
            if ground is not None:
                n = len(pending)
                row.append(tuple((sums[c] + ground[c] * n + _SAMPLE_COUNT // 2) // _SAMPLE_COUNT
                                 for c in range(3)))
            elif covered:
                alpha = (covered * 255 + _SAMPLE_COUNT // 2) // _SAMPLE_COUNT
                row.append(tuple((sums[c] + covered // 2) // covered for c in range(3)) + (alpha,))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------
# The indicator pictures

def ring(cx, cy, r_outer, width, outline, fill):
    return [(Disc(cx, cy, r_outer), outline), (Disc(cx, cy, r_outer - width), fill)]


def cell_spans(start, length, count):
    """Splits length pixels from start into count cells with a one-pixel
    divider between them; a spare pixel goes to the middle cell."""
    room = length - (count - 1)
    base, extra = divmod(room, count)
    sizes = [base] * count
    sizes[count // 2] += extra
    spans = []
    pos = start
    for size in sizes:
        spans.append((pos, pos + size))
        pos += size + 1
    return spans


def switch_strip(width, height, cells, marker):
    """Vertical strip (taller than wide) or horizontal strip of cells.

    marker is None for the no-value picture, else the position: counted from
    the bottom cell of a vertical strip, from the left cell of a horizontal one.
    """
    vertical = height > width
    outline = GREY if marker is None else BLACK
    layers = [(Rect(1, 1, width - 1, height - 1), outline)]
    along = height if vertical else width
    spans = cell_spans(2, along - 4, cells)
    if vertical:
        spans.reverse()  # position 0 is the lowest cell
    boxes = []
    for a0, a1 in spans:
        box = (2, a0, width - 2, a1) if vertical else (a0, 2, a1, height - 2)
        boxes.append(box)
        layers.append((Rect(*box), LIGHT_GREY))
    if marker is not None:
        x0, y0, x1, y1 = boxes[marker]
        r = min(x1 - x0, y1 - y0) / 2.0 - 1.5
        layers += ring((x0 + x1) / 2.0, (y0 + y1) / 2.0, r, 1.0, DARK_GREEN, GREEN)
    return layers


def lamp(state):
    """state None (no value), 0 (off) or 1 (lit)."""
    outline, fill = {None: (GREY, LIGHT_GREY), 0: (BLACK, LIGHT_GREY), 1: (DARK_GREEN, GREEN)}[state]
    return ring(10.0, 10.0, 9.0, 1.5, outline, fill)


def rotary_selector(position):
    c = 24.0
    layers = ring(c, c, 22.5, 1.25, GREY, LIGHT_GREY)
    for ux, uy in ROTARY:
        layers.append((Disc(c + 17.5 * ux, c + 17.5 * uy, 2.75), BLUE))
    if position is not None:
        ux, uy = ROTARY[position]
        half = 4.0
        layers.append((Polygon([(c + 13.0 * ux, c + 13.0 * uy),
                                (c - uy * half, c + ux * half),
                                (c - 3.0 * ux, c - 3.0 * uy),
                                (c + uy * half, c - ux * half)]), BLACK))
        layers += ring(c, c, 4.5, 1.25, BLACK, WHITE)
    return layers


def dial(position):
    c = 17.0
    layers = ring(c, c, 16.0, 1.25, GREY if position is None else BLACK, LIGHT_GREY)
    for ux, uy in CLOCK:
        layers.append((Capsule(c + 12.25 * ux, c + 12.25 * uy, c + 13.75 * ux, c + 13.75 * uy, 0.6), GREY))
    if position is not None:
        ux, uy = CLOCK[position]
        layers.append((Capsule(c, c, c + 11.0 * ux, c + 11.0 * uy, 1.1), BLACK))
        layers.append((Disc(c, c, 2.25), BLACK))
    return layers


def trim_pointer(direction):
    """direction None (no value), 0 (pointer up) or 1 (pointer down)."""
    layers = [(Rect(1, 1, 17, 42), GREY if direction is None else BLACK), (Rect(2, 2, 16, 41), LIGHT_GREY)]
    if direction is not None:
        # Drawn pointing up; y -> 43 - y flips it and keeps the shaft on whole pixels.
        flip = (lambda y: y) if direction == 0 else (lambda y: 43.0 - y)
        shaft = (8.0, flip(12.0), 10.0, flip(38.0))
        layers.append((Rect(shaft[0], min(shaft[1], shaft[3]), shaft[2], max(shaft[1], shaft[3])), BLACK))
        layers.append((Polygon([(9.0, flip(4.5)), (13.75, flip(14.0)), (4.25, flip(14.0))]), BLACK))
    return layers


# Image families in the order of the picture numbers (the lamp, family 5, comes
# before the rotary selector, family 4). Each entry: family number, caption,
# size, the drawing for a value (None for the no-value picture) and the number
# of valued pictures. A family's no-value picture comes first, then value 0, 1, ...
FAMILIES = [
    (0, "TWO-POSITION SWITCH, VERTICAL", (22, 43), lambda v: switch_strip(22, 43, 2, v), 2),
    (1, "THREE-POSITION SWITCH, VERTICAL", (22, 43), lambda v: switch_strip(22, 43, 3, v), 3),
    (2, "TWO-POSITION SWITCH, HORIZONTAL", (43, 22), lambda v: switch_strip(43, 22, 2, v), 2),
    (3, "THREE-POSITION SWITCH, HORIZONTAL", (43, 22), lambda v: switch_strip(43, 22, 3, v), 3),
    (5, "LAMP", (20, 20), lamp, 2),
    (4, "ROTARY SELECTOR", (48, 48), rotary_selector, 4),
    (6, "DIAL", (34, 34), dial, 12),
    (7, "TRIM POINTER", (18, 43), trim_pointer, 2),
]


def pictures():
    """Yields (number, family, value or None, width, height, rows) for BILD1..BILD38."""
    number = 1
    for family, _name, (w, h), draw, valued in FAMILIES:
        for value in [None] + list(range(valued)):
            yield number, family, value, w, h, render(w, h, draw(value), WHITE)
            number += 1


def bmp_bytes(width, height, rows):
    stride = (width * 3 + 3) & ~3
    pad = bytes(stride - width * 3)
    body = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b in row:
            body += bytes((b, g, r))
        body += pad
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


def picture_file(number):
    return "bild%d.bmp" % number


# --------------------------------------------------------------------------
# The icon: a dark panel plate with a toggle switch (left) and a lit green lamp
# (right). Drawn in unit coordinates and scaled to each size.

PLATE_EDGE = (120, 128, 138)
PLATE = (54, 60, 68)
BEZEL = (170, 174, 180)
LEVER = (236, 238, 240)
LEVER_EDGE = (30, 32, 36)


def rounded_rect(x0, y0, x1, y1, r, colour):
    return [(Rect(x0 + r, y0, x1 - r, y1), colour), (Rect(x0, y0 + r, x1, y1 - r), colour),
            (Disc(x0 + r, y0 + r, r), colour), (Disc(x1 - r, y0 + r, r), colour),
            (Disc(x0 + r, y1 - r, r), colour), (Disc(x1 - r, y1 - r, r), colour)]


def icon_layers(size):
    s = float(size)
    # Keep the edge at least one pixel wide at the small sizes.
    edge = max(1.0, 0.035 * s)
    layers = rounded_rect(0.0, 0.06 * s, s, 0.94 * s, 0.16 * s, PLATE_EDGE)
    layers += rounded_rect(edge, 0.06 * s + edge, s - edge, 0.94 * s - edge, 0.16 * s - edge, PLATE)
    # Toggle switch: round bezel, lever thrown up and a little to the left.
    bx, by = 0.30 * s, 0.67 * s
    layers += ring(bx, by, 0.19 * s, max(1.0, 0.04 * s), BLACK, BEZEL)
    tx, ty = 0.24 * s, 0.22 * s
    layers.append((Capsule(bx, by, tx, ty, 0.085 * s), LEVER_EDGE))
    layers.append((Capsule(bx, by, tx, ty, 0.085 * s - max(0.75, 0.03 * s)), LEVER))
    if size >= 24:
        layers.append((Disc(bx, by, 0.065 * s), LEVER_EDGE))
    # Lamp: lit green with a dark green rim and a small highlight.
    lx, ly = 0.71 * s, 0.45 * s
    layers += ring(lx, ly, 0.21 * s, max(1.0, 0.045 * s), DARK_GREEN, GREEN)
    if size >= 24:
        layers.append((Disc(lx - 0.07 * s, ly - 0.07 * s, 0.045 * s), (200, 255, 200)))
    return layers


ICON_SIZES_8BIT = (16, 24, 32, 48)
ICON_SIZES_32BIT = (16, 24, 32, 48, 64, 72, 128, 256)


def mask_bytes(width, rows, transparent):
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if transparent(px):
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def icon_dib_32(size, rows):
    body = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    mask = mask_bytes(size, rows, lambda px: px[3] == 0)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(body) + len(mask), 0, 0, 0, 0)
    return info + bytes(body) + mask


def palette_for(rows):
    """Index 0 is black, the colour that transparent pixels carry (with the AND
    mask set, black leaves the screen as it is); then the most used colours."""
    counts = {}
    for row in rows:
        for px in row:
            if px[3] >= 128:
                counts[px[:3]] = counts.get(px[:3], 0) + 1
    ranked = sorted(counts, key=lambda c: (-counts[c], c))
    palette = [BLACK] + [c for c in ranked if c != BLACK][:255]
    return palette


def nearest(palette, colour, cache):
    if colour not in cache:
        best = None
        for i, p in enumerate(palette):
            d = sum((p[k] - colour[k]) ** 2 for k in range(3))
            if best is None or d < best[0]:
                best = (d, i)
        cache[colour] = best[1]
    return cache[colour]


def icon_dib_8(size, rows):
    palette = palette_for(rows)
    cache = {}
    stride = (size + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] >= 128:
                line[x] = nearest(palette, px[:3], cache)
        body += line
    mask = mask_bytes(size, rows, lambda px: px[3] < 128)
    pal = bytearray()
    for i in range(256):
        r, g, b = palette[i] if i < len(palette) else BLACK
        pal += bytes((b, g, r, 0))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(body) + len(mask), 0, 0, 256, 0)
    return info + bytes(pal) + bytes(body) + mask


def png_bytes(width, height, rows, alpha):
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for px in row:
            raw += bytes(px if alpha else px[:3])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def icon_images():
    """(size, bits per pixel, image bytes) in directory order."""
    images = []
    cache = {}
    for size in ICON_SIZES_8BIT + ICON_SIZES_32BIT:
        if size not in cache:
            cache[size] = render(size, size, icon_layers(size), None)
    for size in ICON_SIZES_8BIT:
        images.append((size, 8, icon_dib_8(size, cache[size])))
    for size in ICON_SIZES_32BIT:
        data = png_bytes(size, size, cache[size], True) if size == 256 else icon_dib_32(size, cache[size])
        images.append((size, 32, data))
    return images, cache


def ico_bytes(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    directory = bytearray()
    blobs = bytearray()
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset + len(blobs))
        blobs += data
    return header + bytes(directory) + bytes(blobs)


# --------------------------------------------------------------------------
# Version record: the one place its values live. version.rc is compiled by the
# Windows build; version_info.h lets code show the same values.

VERSION = {
    "file_version": (1, 0, 2, 0),
    "file_version_text": "1.0.2 (06/03/2017)",
    "product_version": (1, 0, 0, 0),
    "product_version_text": "1.0",
    "description": "ORVAN ZR8 Test Tool",
    "internal_name": "ORVAN ZR8 Test Tool",
    "product_name": "ORVAN ZR8 Test Tool",
    "language": 0x0409,
    "code_page": 1200,
}

GENERATED_NOTE = "Generated by tools/artgen/artgen.py; edit the generator, not this file."


def version_rc():
    v = VERSION
    block = "%04X%04X" % (v["language"], v["code_page"])
    lines = [
        "// " + GENERATED_NOTE,
        "// Version record of the program file.",
        "",
        "1 VERSIONINFO",
        "FILEVERSION %d,%d,%d,%d" % v["file_version"],
        "PRODUCTVERSION %d,%d,%d,%d" % v["product_version"],
        "FILEFLAGSMASK 0x3F",
        "FILEFLAGS 0x0",
        "FILEOS 0x40004",  # VOS_NT_WINDOWS32
        "FILETYPE 0x1",  # VFT_APP
        "FILESUBTYPE 0x0",
        "BEGIN",
        "    BLOCK \"StringFileInfo\"",
        "    BEGIN",
        "        BLOCK \"%s\"" % block,
        "        BEGIN",
        "            VALUE \"FileDescription\", \"%s\"" % v["description"],
        "            VALUE \"FileVersion\", \"%s\"" % v["file_version_text"],
        "            VALUE \"InternalName\", \"%s\"" % v["internal_name"],
        "            VALUE \"ProductName\", \"%s\"" % v["product_name"],
        "            VALUE \"ProductVersion\", \"%s\"" % v["product_version_text"],
        "        END",
        "    END",
        "    BLOCK \"VarFileInfo\"",
        "    BEGIN",
        "        VALUE \"Translation\", 0x%04X, %d" % (v["language"], v["code_page"]),
        "    END",
        "END",
        "",
    ]
    return "\n".join(lines).encode("ascii")


def version_header():
    v = VERSION
    lines = [
        "// " + GENERATED_NOTE,
        "// The values of the version record in resources/version.rc.",
        "#pragma once",
        "",
        "namespace zr8_version {",
        "",
        "constexpr unsigned kFileVersion[4] = {%d, %d, %d, %d};" % v["file_version"],
        "constexpr const char* kFileVersionText = \"%s\";" % v["file_version_text"],
        "constexpr unsigned kProductVersion[4] = {%d, %d, %d, %d};" % v["product_version"],
        "constexpr const char* kProductVersionText = \"%s\";" % v["product_version_text"],
        "constexpr const char* kFileDescription = \"%s\";" % v["description"],
        "constexpr const char* kInternalName = \"%s\";" % v["internal_name"],
        "constexpr const char* kProductName = \"%s\";" % v["product_name"],
        "constexpr unsigned kLanguage = 0x%04X;  // U.S. English" % v["language"],
        "constexpr unsigned kCodePage = %d;  // UTF-16" % v["code_page"],
        "",
        "}  // namespace zr8_version",
        "",
    ]
    return "\n".join(lines).encode("ascii")


def pictures_rc(count):
    lines = ["// " + GENERATED_NOTE,
             "// The indicator pictures and the class icon of both windows.",
             "// Paths are relative to this file's folder (pass it to windres with -I).",
             "",
             "TOOLSICON ICON \"toolsicon.ico\"",
             ""]
    lines += ["BILD%d BITMAP \"bitmaps/%s\"" % (n, picture_file(n)) for n in range(1, count + 1)]
    lines.append("")
    return "\n".join(lines).encode("ascii")


# --------------------------------------------------------------------------
# Contact sheet

FONT = {
    "A": ".###. #...# #...# ##### #...# #...# #...#",
    "B": "####. #...# #...# ####. #...# #...# ####.",
    "C": ".###. #...# #.... #.... #.... #...# .###.",
    "D": "####. #...# #...# #...# #...# #...# ####.",
    "E": "##### #.... #.... ####. #.... #.... #####",
    "F": "##### #.... #.... ####. #.... #.... #....",
    "G": ".###. #...# #.... #.### #...# #...# .####",
    "H": "#...# #...# #...# ##### #...# #...# #...#",
    "I": ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "J": "..### ...#. ...#. ...#. ...#. #..#. .##..",
    "K": "#...# #..#. #.#.. ##... #.#.. #..#. #...#",
    "L": "#.... #.... #.... #.... #.... #.... #####",
    "M": "#...# ##.## #.#.# #.#.# #...# #...# #...#",
    "N": "#...# #...# ##..# #.#.# #..## #...# #...#",
    "O": ".###. #...# #...# #...# #...# #...# .###.",
    "P": "####. #...# #...# ####. #.... #.... #....",
    "Q": ".###. #...# #...# #...# #.#.# #..#. .##.#",
    "R": "####. #...# #...# ####. #.#.. #..#. #...#",
    "S": ".#### #.... #.... .###. ....# ....# ####.",
    "T": "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",
    "U": "#...# #...# #...# #...# #...# #...# .###.",
    "V": "#...# #...# #...# #...# #...# .#.#. ..#..",
    "W": "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",
    "X": "#...# #...# .#.#. ..#.. .#.#. #...# #...#",
    "Y": "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",
    "Z": "##### ....# ...#. ..#.. .#... #.... #####",
    "0": ".###. #...# #..## #.#.# ##..# #...# .###.",
    "1": "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",
    "2": ".###. #...# ....# ...#. ..#.. .#... #####",
    "3": "##### ...#. ..#.. ...#. ....# #...# .###.",
    "4": "...#. ..##. .#.#. #..#. ##### ...#. ...#.",
    "5": "##### #.... ####. ....# ....# #...# .###.",
    "6": "..##. .#... #.... ####. #...# #...# .###.",
    "7": "##### ....# ...#. ..#.. .#... .#... .#...",
    "8": ".###. #...# #...# .###. #...# #...# .###.",
    "9": ".###. #...# #...# .#### ....# ...#. .##..",
    "-": "..... ..... ..... ##### ..... ..... .....",
    ".": "..... ..... ..... ..... ..... .##.. .##..",
    ",": "..... ..... ..... ..... .##.. ..#.. .#...",
    ":": "..... .##.. .##.. ..... .##.. .##.. .....",
    "(": "...#. ..#.. .#... .#... .#... ..#.. ...#.",
    ")": ".#... ..#.. ...#. ...#. ...#. ..#.. .#...",
    "/": "..... ....# ...#. ..#.. .#... #.... .....",
    "=": "..... ..... ##### ..... ##### ..... .....",
    " ": "..... ..... ..... ..... ..... ..... .....",
}

SHEET_BG = (232, 232, 232)
SHEET_INK = (24, 24, 24)
SHEET_MUTED = (90, 90, 90)
SHEET_WIDTH = 1280
ZOOM = 4
TEXT_SCALE = 2


class Sheet:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[SHEET_BG] * width for _ in range(height)]

    def text(self, x, y, s, colour, scale=TEXT_SCALE):
        for ch in s.upper():
            glyph = FONT[ch].split()
            for gy, line in enumerate(glyph):
                for gx, bit in enumerate(line):
                    if bit == "#":
                        for dy in range(scale):
                            row = self.pixels[y + gy * scale + dy]
                            for dx in range(scale):
                                row[x + gx * scale + dx] = colour
            x += 6 * scale

    def blit(self, x, y, rows, zoom):
        for sy, row in enumerate(rows):
            for dy in range(zoom):
                line = self.pixels[y + sy * zoom + dy]
                for sx, px in enumerate(row):
                    for dx in range(zoom):
                        line[x + sx * zoom + dx] = px


def text_width(s, scale=TEXT_SCALE):
    return len(s) * 6 * scale - scale


def contact_sheet(pics):
    margin, gap, line = 24, 20, 8 * TEXT_SCALE + 4
    by_family = []
    for family, name, (w, h), _draw, _valued in FAMILIES:
        by_family.append((family, name, w, h, [p for p in pics if p[1] == family]))

    # Lay out first, then paint, so the sheet is exactly as tall as it needs.
    placements = []  # (x, y, picture)
    headings = []  # (x, y, text)
    y = margin
    headings.append((margin, y, "ZR8 TEST TOOL - INDICATOR PICTURES AT 4X"))
    y += line + gap
    for family, name, w, h, members in by_family:
        first, last = members[0][0], members[-1][0]
        headings.append((margin, y, "FAMILY %d - %s - BILD%d..BILD%d - %dX%d PIXELS"
                         % (family, name, first, last, w, h)))
        y += line + 8
        cell_w = max(w * ZOOM, text_width("NO VALUE")) + gap
        x = margin
        for pic in members:
            if x + w * ZOOM > SHEET_WIDTH - margin:
                x = margin
                y += h * ZOOM + 2 * line + gap
            placements.append((x, y, pic))
            x += cell_w
        y += h * ZOOM + 2 * line + gap + 12
    sheet = Sheet(SHEET_WIDTH, y + margin - gap)
    for x, ty, s in headings:
        sheet.text(x, ty, s, SHEET_INK)
    for x, py, (number, _family, value, w, h, rows) in placements:
        sheet.blit(x, py, rows, ZOOM)
        sheet.text(x, py + h * ZOOM + 6, "BILD%d" % number, SHEET_INK)
        sheet.text(x, py + h * ZOOM + 6 + line, "NO VALUE" if value is None else "VALUE %d" % value,
                   SHEET_MUTED)
    return png_bytes(sheet.width, sheet.height, sheet.pixels, False)


# --------------------------------------------------------------------------

def generate():
    """Returns {path relative to the repository: bytes} for every output."""
    out = {}
    pics = list(pictures())
    names = []
    for number, _family, _value, w, h, rows in pics:
        out["resources/bitmaps/" + picture_file(number)] = bmp_bytes(w, h, rows)
        names.append(picture_file(number))
    out["resources/bitmaps/index.txt"] = ("\n".join(names) + "\n").encode("ascii")
    images, _ = icon_images()
    out["resources/toolsicon.ico"] = ico_bytes(images)
    out["resources/version.rc"] = version_rc()
    out["resources/version_info.h"] = version_header()
    out["resources/pictures.rc"] = pictures_rc(len(pics))
    out["docs/pictures.png"] = contact_sheet(pics)
    return out


def png_content(data):
    """Header and decompressed image data of a PNG: what must match when two
    zlib builds compress the same pixels differently. Raises ValueError on a
    damaged file (bad signature or checksum, bytes after IEND, no IEND)."""
    if not data.startswith(b"\x89PNG\r\n\x1a\n"):
        raise ValueError("not a PNG")
    pos, header, idat = 8, None, b""
    while True:
        if pos + 12 > len(data):
            raise ValueError("PNG ends without IEND")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc = data[pos + 8 + length:pos + 12 + length]
        if len(body) != length or crc != struct.pack(">I", zlib.crc32(kind + body)):
            raise ValueError("damaged PNG chunk")
        pos += 12 + length
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    if pos != len(data):
        raise ValueError("bytes after IEND")
    return header, zlib.decompress(idat)


def ico_content(data):
    """The directory without sizes and offsets, and each image (a PNG by its
    content). Raises ValueError unless the images follow the directory back to
    back up to the end of the file."""
    count = struct.unpack("<H", data[4:6])[0]
    parts = [data[:6]]
    expected_offset = 6 + 16 * count
    for i in range(count):
        w, h, colours, reserved, planes, bits, size, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        if offset != expected_offset:
            raise ValueError("icon images are not back to back")
        expected_offset += size
        image = data[offset:offset + size]
        parts.append((w, h, colours, reserved, planes, bits,
                      png_content(image) if image.startswith(b"\x89PNG") else image))
    if expected_offset != len(data):
        raise ValueError("icon file length does not match its directory")
    return parts


def same_content(path, a, b):
    if a == b:
        return True
    try:
        if path.endswith(".png"):
            return png_content(a) == png_content(b)
        if path.endswith(".ico"):
            return ico_content(a) == ico_content(b)
    except (struct.error, zlib.error, ValueError):
        return False
    return False


def check(root, outputs):
    stale = []
    for path in sorted(outputs):
        full = os.path.join(root, path)
        try:
            with open(full, "rb") as f:
                current = f.read()
        except OSError:
            stale.append(path + " (missing)")
            continue
        if not same_content(path, current, outputs[path]):
            stale.append(path)
    return stale


def write(root, outputs):
    for path in sorted(outputs):
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(outputs[path])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=REPO_ROOT,
                        help="repository folder to write into or check (default: this repository)")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; report files that differ from what the generator draws")
    args = parser.parse_args(argv)
    outputs = generate()
    if args.check:
        stale = check(args.root, outputs)
        for path in stale:
            print("stale: " + path)
        if stale:
            print("run python3 tools/artgen/artgen.py to bring them up to date")
            return 1
        print("%d generated files are up to date" % len(outputs))
        return 0
    write(args.root, outputs)
    print("wrote %d files under %s" % (len(outputs), args.root))
    return 0


if __name__ == "__main__":
    sys.exit(main())

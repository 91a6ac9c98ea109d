"""Checks the committed pictures, icon and version record against what the
test window needs, reading the files with parsers of their own (not the
generator's), and checks that the committed files are what the generator draws.

Run: python3 -m unittest discover -s tests/resources -v
"""

import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RESOURCES = os.path.join(REPO, "resources")
ARTGEN = os.path.join(REPO, "tools", "artgen", "artgen.py")

# family: (first picture number, pictures including the no-value one, width, height)
FAMILIES = {
    0: (1, 3, 22, 43),
    1: (4, 4, 22, 43),
    2: (8, 3, 43, 22),
    3: (11, 4, 43, 22),
    4: (18, 5, 48, 48),
    5: (15, 3, 20, 20),
    6: (23, 13, 34, 34),
    7: (36, 3, 18, 43),
}


def family_of(number):
    for family, (first, count, _w, _h) in FAMILIES.items():
        if first <= number < first + count:
            return family
    raise KeyError(number)


def read_bmp(path):
    """Returns (width, height, rows top row first, each pixel (r, g, b)); fails
    the caller's assertions by raising on anything but the 24-bit layout."""
    with open(path, "rb") as f:
        data = f.read()
    magic, file_size, _r1, _r2, offset = struct.unpack("<2sIHHI", data[:14])
    size, width, height, planes, bits, compression = struct.unpack("<IiiHHI", data[14:34])
    if magic != b"BM" or size != 40 or planes != 1 or bits != 24 or compression != 0:
        raise ValueError("%s: not an uncompressed 24-bit BMP with a BITMAPINFOHEADER" % path)
    if height <= 0:
        raise ValueError("%s: rows are not stored bottom-up" % path)
    stride = (width * 3 + 3) & ~3
    if file_size != len(data) or offset != 54 or len(data) != offset + stride * height:
        raise ValueError("%s: sizes in the header do not match the file" % path)
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        line = data[start:start + width * 3]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, width * 3, 3)])
    return width, height, rows


def picture(number):
    return read_bmp(os.path.join(RESOURCES, "bitmaps", "bild%d.bmp" % number))[2]


def is_dark(p):
    return max(p) < 100


def is_green(p):
    return p[1] > 200 and p[0] < 80 and p[2] < 80


def is_blue(p):
    return p[2] > 200 and p[0] < 80 and p[1] < 80


def near(p, colour, tolerance=16):
    return all(abs(a - b) <= tolerance for a, b in zip(p, colour))


LIGHT_GREY = (200, 200, 200)
GREY = (152, 152, 152)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
DARK_GREEN = (0, 63, 0)


def pixel_at(rows, x, y):
    return rows[int(math.floor(y))][int(math.floor(x))]


def pixels_where(rows, test):
    return [(x, y) for y, row in enumerate(rows) for x, p in enumerate(row) if test(p)]


def clock_angle(dx, dy):
    """Degrees clockwise from 12 o'clock of a screen-space direction."""
    return math.degrees(math.atan2(dx, -dy)) % 360.0


def angle_gap(a, b):
    d = abs(a - b) % 360.0
    return min(d, 360.0 - d)


def tip_angle(rows, cx, cy, r_max):
    """Direction of the dark pixel farthest from the centre within r_max."""
    best = None
    for x, y in pixels_where(rows, is_dark):
        dx, dy = x + 0.5 - cx, y + 0.5 - cy
        r = math.hypot(dx, dy)
        if r < r_max and (best is None or r > best[0]):
            best = (r, dx, dy)
    return None if best is None else clock_angle(best[1], best[2])


def along_clock(cx, cy, degrees, r):
    a = math.radians(degrees)
    return cx + r * math.sin(a), cy - r * math.cos(a)


class PictureFilesTest(unittest.TestCase):
    def test_index_lists_the_38_pictures_in_order(self):
        with open(os.path.join(RESOURCES, "bitmaps", "index.txt")) as f:
            names = f.read().split()
        self.assertEqual(names, ["bild%d.bmp" % n for n in range(1, 39)])

    def test_every_picture_is_24_bit_at_its_family_size_on_white(self):
        for number in range(1, 39):
            family = family_of(number)
            with self.subTest(picture=number, family=family):
                width, height, rows = read_bmp(os.path.join(RESOURCES, "bitmaps", "bild%d.bmp" % number))
                self.assertEqual((width, height), FAMILIES[family][2:])
                for x, y in ((0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)):
                    self.assertEqual(rows[y][x], WHITE, "corner %d,%d" % (x, y))
                if family in (0, 1, 2, 3, 7):  # strips and bars keep a one-pixel white edge
                    edge = rows[0] + rows[-1] + [row[0] for row in rows] + [row[-1] for row in rows]
                    self.assertTrue(all(p == WHITE for p in edge))


class GeneratorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="artgen-test-")
        cls.runs = []
        for name in ("first", "second"):
            root = os.path.join(cls.tmp, name)
            subprocess.run([sys.executable, ARTGEN, "--root", root], check=True, capture_output=True)
            cls.runs.append(root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    @staticmethod
    def files_under(root):
        found = {}
        for folder, _dirs, files in os.walk(root):
            for name in files:
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    found[os.path.relpath(path, root)] = f.read()
        return found

    def check(self, root):
        return subprocess.run([sys.executable, ARTGEN, "--check", "--root", root],
                              capture_output=True, text=True)

    def test_two_runs_write_identical_bytes(self):
        first, second = (self.files_under(r) for r in self.runs)
        self.assertIn("resources/bitmaps/bild38.bmp", first)
        self.assertIn("resources/toolsicon.ico", first)
        self.assertEqual(sorted(first), sorted(second))
        for path in first:
            self.assertEqual(first[path], second[path], path)

    def test_committed_files_are_up_to_date(self):
        result = self.check(REPO)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_check_reports_a_stale_or_missing_file(self):
        def flip_pixel(path):
            with open(path, "r+b") as f:
                f.seek(54 + 3 * 10)
                f.write(b"\x12")

        def truncate(path):
            with open(path, "r+b") as f:
                f.truncate(os.path.getsize(path) - 1)

        cases = [
            ("resources/bitmaps/bild20.bmp", flip_pixel),
            ("resources/toolsicon.ico", truncate),
            ("resources/version.rc", truncate),
            ("resources/bitmaps/bild7.bmp", os.remove),
        ]
        for path, spoil in cases:
            with self.subTest(path=path, change=spoil.__name__):
                root = os.path.join(self.tmp, "spoilt")
                shutil.copytree(self.runs[0], root)
                try:
                    spoil(os.path.join(root, path))
                    result = self.check(root)
                    self.assertEqual(result.returncode, 1)
                    self.assertIn(path, result.stdout)
                finally:
                    shutil.rmtree(root)

    def test_check_accepts_the_same_pixels_compressed_differently(self):
        # Another zlib build may deflate the same image to other bytes; that is not stale.
        root = os.path.join(self.tmp, "recompressed")
        shutil.copytree(self.runs[0], root)
        try:
            path = os.path.join(root, "docs", "pictures.png")
            with open(path, "rb") as f:
                data = f.read()
            pos, chunks, idat = 8, [], b""
            while pos < len(data):
                length, kind = struct.unpack(">I4s", data[pos:pos + 8])
                if kind == b"IDAT":
                    idat += data[pos + 8:pos + 8 + length]
                else:
                    chunks.append((kind, data[pos + 8:pos + 8 + length]))
                pos += 12 + length
            redone = zlib.compress(zlib.decompress(idat), 1)
            chunks.insert(1, (b"IDAT", redone))
            out = data[:8] + b"".join(struct.pack(">I", len(body)) + kind + body
                                      + struct.pack(">I", zlib.crc32(kind + body)) for kind, body in chunks)
            self.assertNotEqual(out, data)
            with open(path, "wb") as f:
                f.write(out)
            result = self.check(root)
            self.assertEqual(result.returncode, 0, result.stdout)
        finally:
            shutil.rmtree(root)


class SwitchStripTest(unittest.TestCase):
    # picture, cells, marker position (None: no value). Positions count from
    # the bottom cell of a vertical strip and from the left cell of a horizontal one.
    CASES = [
        (1, 2, None), (2, 2, 0), (3, 2, 1),
        (4, 3, None), (5, 3, 0), (6, 3, 1), (7, 3, 2),
        (8, 2, None), (9, 2, 0), (10, 2, 1),
        (11, 3, None), (12, 3, 0), (13, 3, 1), (14, 3, 2),
    ]

    def test_marker_sits_in_the_cell_of_its_position(self):
        for number, cells, marker in self.CASES:
            with self.subTest(picture=number, marker=marker):
                rows = picture(number)
                height, width = len(rows), len(rows[0])
                vertical = height > width
                length = height if vertical else width
                cell = (length - 4) / cells

                def centre(position):
                    along = 2 + (position + 0.5) * cell
                    return (width / 2, length - along) if vertical else (along, height / 2)

                for position in range(cells):
                    p = pixel_at(rows, *centre(position))
                    if position == marker:
                        self.assertTrue(is_green(p), "marker missing at position %d: %s" % (position, p))
                    else:
                        self.assertTrue(near(p, LIGHT_GREY), "cell %d not empty: %s" % (position, p))
                greens = pixels_where(rows, is_green)
                if marker is None:
                    self.assertEqual(greens, [])
                else:
                    mid = centre(marker)
                    for x, y in greens:
                        offset = (y + 0.5 - mid[1]) if vertical else (x + 0.5 - mid[0])
                        self.assertLess(abs(offset), cell / 2, "green outside the marker cell at %d,%d" % (x, y))
                outline = pixel_at(rows, 1, height / 2) if vertical else pixel_at(rows, width / 2, 1)
                self.assertTrue(near(outline, GREY if marker is None else BLACK), outline)


class LampTest(unittest.TestCase):
    def test_no_value_off_and_lit(self):
        cases = [(15, LIGHT_GREY, GREY), (16, LIGHT_GREY, BLACK), (17, (0, 255, 0), DARK_GREEN)]
        for number, fill, outline in cases:
            with self.subTest(picture=number):
                rows = picture(number)
                self.assertTrue(near(rows[10][10], fill), rows[10][10])
                for x, y in ((10, 1), (1, 10), (18, 10), (10, 18)):  # on the rim
                    self.assertTrue(near(rows[y][x], outline, 24), (x, y, rows[y][x]))
                self.assertEqual(bool(pixels_where(rows, is_green)), number == 17)


class RotarySelectorTest(unittest.TestCase):
    DOTS = (270.0, 315.0, 0.0, 45.0)  # 9, half past 10, 12 and half past 1 o'clock
    C = 24.0

    def test_four_blue_dots_on_every_picture(self):
        for number in range(18, 23):
            rows = picture(number)
            for degrees in self.DOTS:
                with self.subTest(picture=number, dot=degrees):
                    self.assertTrue(is_blue(pixel_at(rows, *along_clock(self.C, self.C, degrees, 17.5))))
            with self.subTest(picture=number, what="only four dots of blue"):
                self.assertLess(len(pixels_where(rows, is_blue)), 4 * 40)

    def test_pointer_aims_at_the_dot_of_its_position(self):
        for position, aim in enumerate(self.DOTS):
            with self.subTest(picture=19 + position):
                rows = picture(19 + position)
                self.assertEqual(rows[24][24], WHITE)
                tip = tip_angle(rows, self.C, self.C, 17.0)
                self.assertIsNotNone(tip)
                self.assertLess(angle_gap(tip, aim), 10.0)
                for other in self.DOTS:
                    p = pixel_at(rows, *along_clock(self.C, self.C, other, 8.0))
                    self.assertEqual(is_dark(p), other == aim, (other, p))

    def test_no_value_has_no_centre_or_pointer(self):
        rows = picture(18)
        self.assertTrue(near(rows[24][24], LIGHT_GREY))
        self.assertEqual(pixels_where(rows, is_dark), [])


class DialTest(unittest.TestCase):
    C = 17.0

    def test_hand_of_value_k_points_at_the_kth_clock_position(self):
        for k in range(12):
            with self.subTest(value=k, picture=24 + k):
                rows = picture(24 + k)
                tip = tip_angle(rows, self.C, self.C, 13.5)
                self.assertIsNotNone(tip)
                self.assertLess(angle_gap(tip, 30.0 * k), 8.0)
                self.assertTrue(is_dark(pixel_at(rows, *along_clock(self.C, self.C, 30.0 * k, 8.0))))
                for other in (30.0 * k + 90.0, 30.0 * k + 180.0, 30.0 * k + 270.0):
                    self.assertFalse(is_dark(pixel_at(rows, *along_clock(self.C, self.C, other, 8.0))))
                self.assertTrue(near(rows[1][17], BLACK, 40), rows[1][17])

    def test_no_value_has_grey_outline_and_no_hand(self):
        rows = picture(23)
        self.assertTrue(near(rows[1][17], GREY, 24), rows[1][17])
        self.assertEqual(pixels_where(rows, is_dark), [])


class TrimPointerTest(unittest.TestCase):
    @staticmethod
    def pointer(rows):
        """Dark pixels inside the bar (the outline excluded)."""
        return [(x, y) for x, y in pixels_where(rows, is_dark) if 2 <= x < 16 and 2 <= y < 41]

    def test_up_and_down_point_their_way(self):
        for number, head_on_top in ((37, True), (38, False)):
            with self.subTest(picture=number):
                rows = picture(number)
                dark = self.pointer(rows)
                ys = [y for _x, y in dark]
                self.assertGreater(max(ys) - min(ys), 25, "the pointer runs along the bar")
                self.assertLess(abs(sum(x + 0.5 for x, _y in dark) / len(dark) - 9.0), 0.5)
                widths = {}
                for _x, y in dark:
                    widths[y] = widths.get(y, 0) + 1
                widest = max(widths, key=lambda y: (widths[y], -y))
                self.assertEqual(widest < 43 / 2, head_on_top, "arrow head at row %d" % widest)
                self.assertTrue(near(rows[21][1], BLACK), rows[21][1])

    def test_no_value_is_an_empty_grey_bar(self):
        rows = picture(36)
        self.assertEqual(self.pointer(rows), [])
        self.assertTrue(near(rows[21][1], GREY), rows[21][1])


def png_pixels(data):
    """(width, height, colour type, rows of byte strings) of a non-interlaced
    8-bit PNG, undoing the filters."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, ihdr = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", data[pos + 8:pos + 21])
        elif kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + length]
        pos += 12 + length
    width, height, depth, colour_type, _c, _f, interlace = ihdr
    assert depth == 8 and interlace == 0
    bpp = {2: 3, 6: 4}[colour_type]
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        prev = line
    return width, height, colour_type, rows


class IconTest(unittest.TestCase):
    EXPECTED = sorted([(s, 8) for s in (16, 24, 32, 48)] + [(s, 32) for s in (16, 24, 32, 48, 64, 72, 128, 256)])

    @classmethod
    def setUpClass(cls):
        with open(os.path.join(RESOURCES, "toolsicon.ico"), "rb") as f:
            cls.data = f.read()
        reserved, kind, count = struct.unpack("<HHH", cls.data[:6])
        cls.header = (reserved, kind, count)
        cls.entries = []
        for i in range(count):
            w, h, colours, res, planes, bits, size, offset = struct.unpack(
                "<BBBBHHII", cls.data[6 + 16 * i:22 + 16 * i])
            cls.entries.append({"w": w or 256, "h": h or 256, "colours": colours, "reserved": res,
                                "planes": planes, "bits": bits,
                                "image": cls.data[offset:offset + size], "end": offset + size})

    def test_directory_holds_the_twelve_images(self):
        self.assertEqual(self.header, (0, 1, 12))
        self.assertEqual(sorted((e["w"], e["bits"]) for e in self.entries), self.EXPECTED)
        for e in self.entries:
            self.assertEqual((e["h"], e["colours"], e["reserved"], e["planes"]), (e["w"], 0, 0, 1))
            self.assertLessEqual(e["end"], len(self.data))

    def test_image_headers_match_the_directory(self):
        for e in self.entries:
            size, bits, image = e["w"], e["bits"], e["image"]
            with self.subTest(size=size, bits=bits):
                if image.startswith(b"\x89PNG"):
                    self.assertEqual((size, bits), (256, 32))
                    width, height, colour_type, _rows = png_pixels(image)
                    self.assertEqual((width, height, colour_type), (256, 256, 6))
                    continue
                hsize, width, height, planes, bitcount, compression = struct.unpack("<IiiHHI", image[:20])
                self.assertEqual((hsize, width, height, planes, bitcount, compression),
                                 (40, size, 2 * size, 1, bits, 0))
                palette = 256 * 4 if bits == 8 else 0
                colour_rows = ((size * bits + 31) // 32) * 4 * size
                mask_rows = ((size + 31) // 32) * 4 * size
                self.assertEqual(len(image), 40 + palette + colour_rows + mask_rows)

    def image(self, size, bits):
        return next(e["image"] for e in self.entries if e["w"] == size and e["bits"] == bits)

    def test_art_is_opaque_in_the_middle_and_transparent_in_the_corners(self):
        # 32-bit images: alpha; a lit green lamp somewhere.
        for size in (16, 32, 48, 128):
            with self.subTest(size=size, bits=32):
                image = self.image(size, 32)
                stride = size * 4

                def rgba(x, y, image=image, size=size, stride=stride):
                    start = 40 + (size - 1 - y) * stride + 4 * x
                    b, g, r, a = image[start:start + 4]
                    return r, g, b, a

                self.assertEqual(rgba(0, 0)[3], 0)
                self.assertEqual(rgba(size - 1, size - 1)[3], 0)
                self.assertEqual(rgba(size // 2, size // 2)[3], 255)
                self.assertTrue(any(is_green(rgba(x, y)[:3]) and rgba(x, y)[3] == 255
                                    for y in range(size) for x in range(size)))
        with self.subTest(size=256, bits=32):
            _w, _h, _t, rows = png_pixels(self.image(256, 32))
            self.assertEqual(rows[0][3], 0)
            self.assertEqual(rows[128][128 * 4 + 3], 255)
        # 8-bit images: the AND mask marks the corners transparent, not the middle.
        for size in (16, 24, 32, 48):
            with self.subTest(size=size, bits=8):
                image = self.image(size, 8)
                mask_start = 40 + 1024 + ((size + 3) & ~3) * size
                mask_stride = ((size + 31) // 32) * 4

                def masked(x, y, image=image, size=size):
                    byte = image[mask_start + (size - 1 - y) * mask_stride + x // 8]
                    return bool(byte & (0x80 >> (x % 8)))

                self.assertTrue(masked(0, 0))
                self.assertFalse(masked(size // 2, size // 2))


class ResourceScriptTest(unittest.TestCase):
    def read(self, name):
        with open(os.path.join(RESOURCES, name), encoding="ascii") as f:
            return f.read()

    def test_version_record_and_header_carry_the_same_values(self):
        rc = self.read("version.rc")
        header = self.read("version_info.h")
        expected = [
            (r"FILEVERSION 1,0,2,0", r"kFileVersion\[4\] = \{1, 0, 2, 0\}"),
            (r"PRODUCTVERSION 1,0,0,0", r"kProductVersion\[4\] = \{1, 0, 0, 0\}"),
            (r'"FileVersion", "1\.0\.2 \(06/03/2017\)"', r'kFileVersionText = "1\.0\.2 \(06/03/2017\)"'),
            (r'"ProductVersion", "1\.0"', r'kProductVersionText = "1\.0"'),
            (r'"FileDescription", "ORVAN ZR8 Test Tool"', r'kFileDescription = "ORVAN ZR8 Test Tool"'),
            (r'"InternalName", "ORVAN ZR8 Test Tool"', r'kInternalName = "ORVAN ZR8 Test Tool"'),
            (r'"ProductName", "ORVAN ZR8 Test Tool"', r'kProductName = "ORVAN ZR8 Test Tool"'),
            (r'BLOCK "040904B0"', r"kLanguage = 0x0409"),
            (r'"Translation", 0x0409, 1200', r"kCodePage = 1200"),
        ]
        for in_rc, in_header in expected:
            with self.subTest(value=in_rc):
                self.assertRegex(rc, in_rc)
                self.assertRegex(header, in_header)

    def test_pictures_script_names_every_picture_and_the_icon(self):
        rc = self.read("pictures.rc")
        bitmaps = re.findall(r'^(BILD\d+) BITMAP "([^"]+)"$', rc, re.M)
        self.assertEqual([name for name, _ in bitmaps], ["BILD%d" % n for n in range(1, 39)])
        for name, path in bitmaps:
            self.assertEqual(path, "bitmaps/%s.bmp" % name.lower())
        self.assertRegex(rc, r'(?m)^TOOLSICON ICON "toolsicon\.ico"$')
        for path in [p for _, p in bitmaps] + ["toolsicon.ico"]:
            self.assertTrue(os.path.isfile(os.path.join(RESOURCES, path)), path)


if __name__ == "__main__":
    unittest.main()

"""Reading the tool's controls off a screen grab: list rows, marks, bars, pictures and text.

Text is not read (there is no OCR here). A read-out's ink, the dark pixels inside its frame cut
to their bounding box, is its signature: a read-out that shows text has ink, one that changed
its text has another signature, and read-outs that show different texts differ.
"""

from display_model import PICTURE_SLOTS, bar_position, expected_readouts, slot_picture  # noqa: F401


def is_dark(pixel, limit=300):
    return sum(pixel) < limit


def dark_count(image, x, y, w, h, limit=300):
    return sum(1 for yy in range(y, y + h) for xx in range(x, x + w)
               if is_dark(image.pixel(xx, yy), limit))


def darkest(image, rect):
    x, y, w, h = rect
    return min(min(image.pixel(xx, yy)) for yy in range(y, y + h) for xx in range(x, x + w))


def is_highlight(pixel):
    r, g, b = pixel
    return b > r + 40


def bands(image, x, y0, y1):
    """(top, height) of each run of highlight pixels down the column x from y0 to y1."""
    runs, start = [], None
    for y in range(y0, y1):
        if is_highlight(image.pixel(x, y)):
            if start is None:
                start = y
        elif start is not None:
            runs.append((start, y - start))
            start = None
    if start is not None:
        runs.append((start, y1 - start))
    return [run for run in runs if run[1] >= 6]


def mark_present(image, rect):
    """A radio button's or check box's mark: dark pixels in the indicator square at its left."""
    x, y, w, h = rect
    return dark_count(image, x, y, min(w, h), h) >= 4


def bar_fill(image, rect, background):
    """(outer height of the bar's frame, length of the filled chunk) down the bar's centre."""
    x, y, w, h = rect
    cx = x + w // 2
    column = [image.pixel(cx, yy) for yy in range(y - 3, y + h + 3)]
    framed = [i for i, p in enumerate(column) if max(abs(a - b) for a, b in zip(p, background)) > 8]
    filled = [i for i, p in enumerate(column) if p[2] > 170 and p[2] > p[0] + 60]
    outer = (framed[-1] - framed[0] + 1) if framed else 0
    return outer, len(filled)


def ink(image, rect, shrink=1, limit=500):
    """The read-out's signature: its dark pixels cut to their bounding box, as rows of 0/1."""
    x, y, w, h = rect
    x, y, w, h = x + shrink, y + shrink, w - 2 * shrink, h - 2 * shrink
    grid = [[1 if is_dark(image.pixel(xx, yy), limit) else 0 for xx in range(x, x + w)]
            for yy in range(y, y + h)]
    rows = [i for i, row in enumerate(grid) if any(row)]
    cols = [j for j in range(w) if any(row[j] for row in grid)]
    if not rows:
        return ()
    return tuple(tuple(row[cols[0]:cols[-1] + 1]) for row in grid[rows[0]:rows[-1] + 1])


def differing_box(a, b):
    """The bounding box (x, y, w, h) of the pixels in which two same-sized images differ."""
    points = [(x, y) for y in range(a.height) for x in range(a.width)
              if a.pixel(x, y) != b.pixel(x, y)]
    if not points:
        return None
    xs_, ys_ = [p[0] for p in points], [p[1] for p in points]
    return (min(xs_), min(ys_), max(xs_) - min(xs_) + 1, max(ys_) - min(ys_) + 1)

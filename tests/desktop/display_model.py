"""What the test window must show for a decoded state (zr8-decode's JSON), worked out on its
own from the display rules: which picture each picture control shows, each read-out's text and
each bar's position. Shared by the desktop suites of both programs."""

import math
import struct

# slot -> (control id, image family), as the test window draws them.
PICTURE_SLOTS = {}
for _slot, _ctl in enumerate(range(2000, 2007)):
    PICTURE_SLOTS[_slot] = (_ctl, 0)
for _slot, _ctl in zip(range(7, 12), range(2020, 2025)):
    PICTURE_SLOTS[_slot] = (_ctl, 0)
PICTURE_SLOTS[12] = (2025, 1)
PICTURE_SLOTS[13] = (2026, 4)
for _slot, _ctl in zip(range(14, 20), range(2100, 2106)):
    PICTURE_SLOTS[_slot] = (_ctl, 0)
PICTURE_SLOTS[20] = (2106, 3)
for _slot, _ctl in zip(range(21, 25), range(2107, 2111)):
    PICTURE_SLOTS[_slot] = (_ctl, 0)
for _slot, _ctl in zip(range(25, 30), range(2120, 2125)):
    PICTURE_SLOTS[_slot] = (_ctl, 0)
for _slot, _ctl in zip(range(30, 34), range(2125, 2129)):
    PICTURE_SLOTS[_slot] = (_ctl, 1)
PICTURE_SLOTS[34] = (2200, 6)
PICTURE_SLOTS[35] = (2202, 7)
PICTURE_SLOTS[36] = (2300, 5)
PICTURE_SLOTS[37] = (2301, 0)
PICTURE_SLOTS[38] = (2312, 1)
PICTURE_SLOTS[39] = (2313, 5)
PICTURE_SLOTS[46] = (2512, 5)

# family -> (bitmap-table index of its no-value picture, number of valued pictures)
FAMILIES = {0: (0, 2), 1: (3, 3), 2: (7, 2), 3: (10, 3), 4: (17, 4), 5: (14, 2), 6: (22, 12),
            7: (35, 2)}


def picture_number(family, value):
    """The N of the BILDN picture that shows value in family."""
    first, count = FAMILIES[family]
    index = first if value < 0 or value >= count else first + value + 1
    return index + 1


def slot_picture(slot, value):
    control, family = PICTURE_SLOTS[slot]
    if slot == 34 and value != -1:
        value = int(math.fmod(value, 12))
    return control, picture_number(family, value)


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def expected_readouts(state):
    """Read-out id -> the text it must show for a decoded state."""
    slots = state["slots"]
    texts = {2201: "-" if slots[34] == -1 else "%d" % slots[34],
             2203: "-" if slots[35] == -1 else "%d" % state["trimCounter"]}
    for i in range(6):
        value = slots[40 + i]
        texts[2500 + i] = "-" if value == -1 else \
            "%.1f" % f32(value / f32(state["fullScale"]) * 127.0)
    return texts


def bar_position(state, channel):
    value = state["slots"][40 + channel]
    if value == -1:
        return 0
    return int(f32(value / f32(state["fullScale"]) * 127.0) + 0.5)

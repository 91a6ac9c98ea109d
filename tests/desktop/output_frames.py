"""The 11-byte output frames the tool sends to the panel, computed here on their own so the
desktop tests can check every frame at the simulator byte for byte."""

TRIM_INDICATOR, GEAR_LIGHTS, HOBBS_METER = 0, 1, 2

_ADDRESS = {TRIM_INDICATOR: (0x18, 0x59), GEAR_LIGHTS: (0x63, 0x20), HOBBS_METER: (0x61, 0x02)}


def checksum(frame, n):
    """Add, xor 0xA5 and rotate left over bytes 1..n-1."""
    s = 0
    for b in frame[1:n]:
        s = ((s + b) & 0xFF) ^ 0xA5
        s = ((s << 1) | (s >> 7)) & 0xFF
    return s


def position_byte(step):
    return (step - 1) * 255 // 19


def gear_code(choice):
    return {0: 0, 1: 3}.get(choice, 2)


def frame(kind, data):
    module, command = _ADDRESS[kind]
    out = [0x78, 9, module, 0, 0, command] + list(data) + [0]
    out[4] = checksum(out, 4)
    out[10] = checksum(out, 10)
    return " ".join("%02X" % b for b in out)


def trim_frame(on, step):
    return frame(TRIM_INDICATOR, [1 if on else 0, position_byte(step), 0, 0])


def gear_frame(left=0, nose=0, right=0, dimmed=0):
    return frame(GEAR_LIGHTS, [gear_code(nose), gear_code(left), dimmed & 0xFF, gear_code(right)])


def hobbs_frame(on):
    return frame(HOBBS_METER, [0, 0, 0, 1 if on else 0])


def all_off():
    """The three frames of an opening, a Clear and a shutdown, in their order."""
    return [trim_frame(False, 1), gear_frame(), hobbs_frame(False)]


# Frames worked out by hand from the frame layout: the builder above must give them exactly.
WORKED_EXAMPLES = [
    (lambda: hobbs_frame(False), "78 09 61 00 37 02 00 00 00 00 2D"),
    (lambda: hobbs_frame(True), "78 09 61 00 37 02 00 00 00 01 23"),
    (lambda: trim_frame(False, 1), "78 09 18 00 18 59 00 00 00 00 8E"),
    (lambda: trim_frame(True, 20), "78 09 18 00 18 59 01 FF 00 00 96"),
    (lambda: gear_frame(), "78 09 63 00 2F 20 00 00 00 00 FC"),
    (lambda: gear_frame(left=1, nose=2, right=0, dimmed=1), "78 09 63 00 2F 20 02 03 01 00 B0"),
]
POSITION_BYTES = {1: 0, 2: 13, 10: 120, 11: 134, 19: 241, 20: 255}


def check_worked_examples():
    """Raises AssertionError when the builder misses a worked example: nothing a suite checks
    against it would mean much then."""
    for build, by_hand in WORKED_EXAMPLES:
        built = build()
        assert built == by_hand, "the frame builder gives %s, not %s" % (built, by_hand)
    for step, byte in POSITION_BYTES.items():
        assert position_byte(step) == byte, "step %d gives %d, not %d" % (
            step, position_byte(step), byte)

"""Driving a desktop program through a real X server, for the desktop acceptance tests.

Used by the Linux (Qt on xcb) and the Windows (under Wine) suites alike. Python 3 standard
library only; the X side needs Xvfb, openbox, xdotool and xwd (x11-apps). Every call of an
outside program has a time-out, and every wait is bounded.

API (keep these signatures stable; add new functions rather than change old ones):

  XSession(workdir, width=1600, height=1000)       context manager
      .env        dict: os.environ with DISPLAY (and XDG_CONFIG_HOME of the session)
      .display    ":N"
      Picks a free display :90..:140, starts Xvfb and openbox, waits until both run; on exit
      ends everything it started, whatever happened.

  find_window(env, name, timeout=10.0) -> int       visible window with exactly this title
  find_windows(env, name) -> [int]                  the same, no waiting, maybe empty
  window_exists(env, wid) -> bool
  window_title(env, wid) -> str
  window_geometry(env, wid) -> (x, y, w, h)        client area on the root window
  click(env, x, y, double=False)                   left button at root coordinates
  move_mouse(env, x, y)
  key(env, wid, keys)                              activates wid, then types e.g. "alt+F4"

  grab(env) -> Image                               the whole root window (xwd, parsed here)
  Image(width, height, rgb)                        .pixel(x, y) -> (r, g, b)
                                                   .crop(x, y, w, h) -> Image
                                                   .save_png(path)
  read_bmp(path) -> Image                          24-bit uncompressed BMP
  read_ppm(path) -> Image                          binary PPM (P6)
  find_picture(screen, picture, x, y, slack=2) -> (dx, dy) or None
                                                   exact match of picture at (x+dx, y+dy)

  Simulator(panel_sim, workdir, link, scenario=None, args=())   the panel simulator on a pty
      .mark() -> int            index into frames() for later waits
      .frames() -> [str]        hex text of the good frames received, in order ("78 09 ...")
      .frame_times() -> [float] time.monotonic() when each of them was read
      .lines() -> [str]         every line of its standard output so far
      .wait_frames(expected, timeout, since=None, exact=True) -> [str]
                                waits until the frames since the mark equal (exact) or
                                contain, in order, the expected ones; returns them; raises
                                WaitTimeout with what did come
      .wait_line(prefix, timeout) -> str
      .stop()                   SIGTERM, bounded wait, then SIGKILL

  dialog_layout(rc_path) -> {name: Dialog}         templates of resources/dialogs.rc
      Dialog: .name .width .height .caption .controls ([Control]), .control(id),
              .controls_with(text=None, cls=None)
      Control: .id .cls .style .x .y .w .h .text

  DialogPlacer(dialog, client_geometry)            dialog units -> root pixels of one window
      .point(ctl, fx=0.5, fy=0.5) -> (x, y)         a point inside a control
      .rect(ctl) -> (x, y, w, h)                    the control's rectangle on the root window
      .scale -> (sx, sy)

  failure_screens(folder) -> Screens               PNG screenshots of the key moments
      .shoot(env, label) -> path                  saves now, with the moment in the name

  WaitTimeout                                      raised by the waits
"""

import os
import re
import struct
import subprocess
import threading
import time
import zlib

TOOL_TIMEOUT = 10.0  # seconds for any one call of xdotool, xwd, ...


class WaitTimeout(AssertionError):
    """A bounded wait ran out."""


def _run(env, argv, timeout=TOOL_TIMEOUT, check=True):
    result = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=timeout)
    if check and result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(argv), result.returncode,
                                                  result.stderr.decode(errors="replace")))
    return result


def _stop_process(process, timeout=5.0):
    if process is None or process.poll() is not None:
        return
    try:
        process.terminate()
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout)


# ---------------------------------------------------------------------------------------------
# The X session


class XSession:
    def __init__(self, workdir, width=1600, height=1000):
        self.workdir = os.path.abspath(workdir)
        self.width = width
        self.height = height
        self.display = None
        self.env = None
        self._xvfb = None
        self._wm = None
        self._logs = []

    def __enter__(self):
        os.makedirs(self.workdir, exist_ok=True)
        try:
            self._start_server()
            self._start_window_manager()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _log(self, name):
        handle = open(os.path.join(self.workdir, name), "wb")
        self._logs.append(handle)
        return handle

    def _start_server(self):
        for number in range(90, 141):
            if os.path.exists("/tmp/.X%d-lock" % number) or \
                    os.path.exists("/tmp/.X11-unix/X%d" % number):
                continue
            process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0",
                 "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=self._log("xvfb-%d.log" % number))
            socket_path = "/tmp/.X11-unix/X%d" % number
            deadline = time.monotonic() + 10.0
            while time.monotonic() < deadline and process.poll() is None \
                    and not os.path.exists(socket_path):
                time.sleep(0.05)
            if process.poll() is not None or not os.path.exists(socket_path):
                # Another session took this number first, or the server failed: next one.
                _stop_process(process)
                continue
            self._xvfb = process
            self.display = ":%d" % number
            self.env = dict(os.environ)
            self.env["DISPLAY"] = self.display
            config = os.path.join(self.workdir, "xdg-config")
            os.makedirs(config, exist_ok=True)
            self.env["XDG_CONFIG_HOME"] = config
            time.sleep(1.0)  # the socket is there a moment before the server takes clients
            return
        raise RuntimeError("no free X display in :90..:140")

    def _start_window_manager(self):
        self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                    stdout=subprocess.DEVNULL, stderr=self._log("openbox.log"))
        deadline = time.monotonic() + 10.0
        while time.monotonic() < deadline:
            if self._wm.poll() is not None:
                raise RuntimeError("openbox ended at start (status %d)" % self._wm.returncode)
            # openbox publishes the desktops once it manages the screen.
            probe = _run(self.env, ["xdotool", "get_num_desktops"], check=False)
            if probe.returncode == 0 and probe.stdout.strip() not in (b"", b"0"):
                return
            time.sleep(0.1)
        raise RuntimeError("openbox did not take the screen within 10 s")

    def close(self):
        _stop_process(self._wm)
        _stop_process(self._xvfb)
        self._wm = self._xvfb = None
        for handle in self._logs:
            handle.close()
        self._logs = []


# ---------------------------------------------------------------------------------------------
# Windows and input


def find_windows(env, name):
    result = _run(env, ["xdotool", "search", "--onlyvisible", "--name",
                        "^%s$" % re.escape(name)], check=False)
    return [int(word) for word in result.stdout.split()]


def find_window(env, name, timeout=10.0):
    deadline = time.monotonic() + timeout
    while True:
        found = find_windows(env, name)
        if found:
            return found[0]
        if time.monotonic() >= deadline:
            raise WaitTimeout("no visible window titled %r within %.1f s" % (name, timeout))
        time.sleep(0.1)


def window_exists(env, wid):
    return _run(env, ["xdotool", "getwindowname", str(wid)], check=False).returncode == 0


def window_title(env, wid):
    return _run(env, ["xdotool", "getwindowname", str(wid)]).stdout.decode().rstrip("\n")


def window_geometry(env, wid):
    """The client area of the window (not the frame of the window manager), root coordinates."""
    out = _run(env, ["xwininfo", "-id", str(wid)]).stdout.decode()

    def field(label):
        match = re.search(r"^\s*%s:\s*(-?\d+)" % re.escape(label), out, re.M)
        if not match:
            raise RuntimeError("xwininfo gave no %r for window %d" % (label, wid))
        return int(match.group(1))

    return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height"))


def move_mouse(env, x, y):
    _run(env, ["xdotool", "mousemove", str(int(x)), str(int(y))])
    time.sleep(0.05)


def click(env, x, y, double=False):
    move_mouse(env, x, y)
    if double:
        _run(env, ["xdotool", "click", "--repeat", "2", "--delay", "80", "1"])
    else:
        _run(env, ["xdotool", "click", "1"])


def key(env, wid, keys):
    """Gives wid the focus through the window manager, then types keys ("alt+F4", "Down")
    as real input, so the window manager's own bindings see them too."""
    if wid is not None:
        _run(env, ["xdotool", "windowactivate", "--sync", str(wid)], check=False)
        time.sleep(0.1)
    _run(env, ["xdotool", "key", "--delay", "40"] + keys.split())


# ---------------------------------------------------------------------------------------------
# Pictures


class Image:
    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)  # 3 bytes a pixel, rows top to bottom

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside %dx%d" % (x, y, self.width, self.height))
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def row(self, x, y, w):
        i = (y * self.width + x) * 3
        return self.rgb[i:i + 3 * w]

    def crop(self, x, y, w, h):
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        rows = [self.row(x0, yy, x1 - x0) for yy in range(y0, y1)]
        return Image(max(0, x1 - x0), max(0, y1 - y0), b"".join(rows))

    def save_png(self, path):
        raw = bytearray()
        stride = self.width * 3
        for y in range(self.height):
            raw.append(0)
            raw += self.rgb[y * stride:(y + 1) * stride]

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))


def _mask_shift(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift


def parse_xwd(data):
    """An Image from the bytes of an XWD file (ZPixmap, TrueColor, 24 or 32 bits a pixel)."""
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format = fields[0], fields[1], fields[2]
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise RuntimeError("unsupported XWD picture (version %d, format %d, %d bits)" %
                           (version, pixmap_format, bits_per_pixel))
    start = header_size + ncolors * 12
    pixels = data[start:start + bytes_per_line * height]
    step = bits_per_pixel // 8
    # Byte position of each colour inside a pixel, from its mask and the byte order.
    offsets = []
    for mask in masks:
        byte = _mask_shift(mask) // 8
        offsets.append(byte if byte_order == 0 else step - 1 - byte)
    if bytes_per_line != width * step:
        pixels = b"".join(pixels[y * bytes_per_line:y * bytes_per_line + width * step]
                          for y in range(height))
    rgb = bytearray(width * height * 3)
    for channel, offset in enumerate(offsets):
        rgb[channel::3] = pixels[offset::step]
    return Image(width, height, rgb)


def grab(env):
    result = _run(env, ["xwd", "-root", "-silent"], timeout=30.0)
    return parse_xwd(result.stdout)


def read_bmp(path):
    with open(path, "rb") as handle:
        data = handle.read()
    if data[:2] != b"BM":
        raise RuntimeError("%s is not a BMP file" % path)
    offset = struct.unpack("<I", data[10:14])[0]
    _, width, height, _, bits, compression = struct.unpack("<IiiHHI", data[14:34])
    if bits != 24 or compression != 0:
        raise RuntimeError("%s: only 24-bit uncompressed BMP is read (%d bits)" % (path, bits))
    stride = (width * 3 + 3) & ~3
    bottom_up = height > 0
    height = abs(height)
    rgb = bytearray()
    for y in range(height):
        source = height - 1 - y if bottom_up else y
        row = data[offset + source * stride:offset + source * stride + width * 3]
        converted = bytearray(width * 3)
        converted[0::3] = row[2::3]
        converted[1::3] = row[1::3]
        converted[2::3] = row[0::3]
        rgb += converted
    return Image(width, height, rgb)


def read_ppm(path):
    """A binary PPM (P6, maxval 255) as an Image."""
    with open(path, "rb") as handle:
        data = handle.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise RuntimeError("%s is not an 8-bit binary PPM" % path)
    width, height = int(fields[1]), int(fields[2])
    return Image(width, height, data[pos + 1:pos + 1 + width * height * 3])


def find_picture(screen, picture, x, y, slack=2):
    """The offset (dx, dy), |dx|, |dy| <= slack, at which picture lies on the screen pixel for
    pixel with its top-left corner at (x + dx, y + dy); None when it is nowhere there."""
    want = [picture.row(0, row, picture.width) for row in range(picture.height)]
    for dy in sorted(range(-slack, slack + 1), key=abs):
        for dx in sorted(range(-slack, slack + 1), key=abs):
            left, top = x + dx, y + dy
            if left < 0 or top < 0 or left + picture.width > screen.width or \
                    top + picture.height > screen.height:
                continue
            if all(screen.row(left, top + row, picture.width) == want[row]
                   for row in range(picture.height)):
                return (dx, dy)
    return None


class Screens:
    """Screenshots of the key moments of a failing test, in one folder."""

    def __init__(self, folder):
        self.folder = os.path.abspath(folder)

    def shoot(self, env, label):
        os.makedirs(self.folder, exist_ok=True)
        moment = time.strftime("%Y%m%d-%H%M%S") + "-%03d" % (int(time.time() * 1000) % 1000)
        safe = re.sub(r"[^A-Za-z0-9_.-]+", "-", label)
        path = os.path.join(self.folder, "%s-%s.png" % (moment, safe))
        grab(env).save_png(path)
        return path


def failure_screens(folder):
    return Screens(folder)


# ---------------------------------------------------------------------------------------------
# The panel simulator


class Simulator:
    def __init__(self, panel_sim, workdir, link, scenario=None, args=()):
        self.link = link
        argv = [panel_sim, "--link", link]
        if scenario is not None:
            argv += ["--scenario", scenario]
        argv += list(args)
        self._lines = []
        self._times = []
        self._cond = threading.Condition()
        self._stderr = open(os.path.join(workdir, "panel-sim-%s.log" %
                                         os.path.basename(link)), "wb")
        self._process = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=self._stderr)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        try:
            self.pty = self.wait_line("pty ", 10.0).split(" ", 1)[1]
            deadline = time.monotonic() + 5.0
            while not os.path.exists(link):
                if time.monotonic() > deadline:
                    raise WaitTimeout("the simulator made no link %s" % link)
                time.sleep(0.02)
        except BaseException:
            self.stop()
            raise

    def _read(self):
        for raw in self._process.stdout:
            with self._cond:
                self._lines.append(raw.decode(errors="replace").rstrip("\n"))
                self._times.append(time.monotonic())
                self._cond.notify_all()
        with self._cond:
            self._cond.notify_all()

    def lines(self):
        with self._cond:
            return list(self._lines)

    def frame_times(self):
        """time.monotonic() at which each of frames() was read."""
        with self._cond:
            return [t for line, t in zip(self._lines, self._times) if line.startswith("frame ")]

    def frames(self):
        return [line.split(" ", 1)[1][:32] for line in self.lines() if line.startswith("frame ")]

    def mark(self):
        return len(self.frames())

    def _wait(self, ready, timeout):
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                value = ready()
                if value is not None:
                    return value
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self._cond.wait(min(left, 0.1))

    def wait_line(self, prefix, timeout):
        def ready():
            for line in self._lines:
                if line.startswith(prefix):
                    return line
            return None

        line = self._wait(ready, timeout)
        if line is None:
            raise WaitTimeout("the simulator printed no line starting %r within %.1f s; it "
                              "printed:\n  %s" % (prefix, timeout, "\n  ".join(self.lines())))
        return line

    def wait_frames(self, expected, timeout, since=None, exact=True):
        """Waits until the frames since the mark are exactly `expected` (exact) or hold it as
        an ordered subsequence. With exact, waits the whole timeout only when too few came;
        a surplus fails at once."""
        start = 0 if since is None else since
        expected = [e.upper() for e in expected]

        def got():
            return [line.split(" ", 1)[1][:32] for line in self._lines
                    if line.startswith("frame ")][start:]

        def contains(seen):
            it = iter(seen)
            return all(any(s == e for s in it) for e in expected)

        def ready():
            seen = got()
            if exact:
                return seen if len(seen) >= len(expected) else None
            return seen if contains(seen) else None

        seen = self._wait(ready, timeout)
        if seen is not None and (not exact or seen == expected):
            return seen
        seen = self._wait(lambda: got(), 0)
        raise WaitTimeout("frames at the simulator since mark %d:\n  got      %s\n  expected %s"
                          % (start, "\n           ".join(seen) or "(none)",
                             "\n           ".join(expected) or "(none)"))

    def stop(self):
        _stop_process(self._process)
        self._reader.join(5.0)
        self._process.stdout.close()
        self._stderr.close()


# ---------------------------------------------------------------------------------------------
# Dialog templates


class Control:
    def __init__(self, text, id, cls, style, x, y, w, h):
        self.text, self.id, self.cls, self.style = text, id, cls, style
        self.x, self.y, self.w, self.h = x, y, w, h

    def __repr__(self):
        return "Control(%d %s %r at %d,%d %dx%d)" % (self.id, self.cls, self.text, self.x,
                                                     self.y, self.w, self.h)


class Dialog:
    def __init__(self, name, width, height):
        self.name, self.width, self.height = name, width, height
        self.caption = ""
        self.controls = []

    def control(self, id):
        found = [c for c in self.controls if c.id == id]
        if len(found) != 1:
            raise KeyError("template %s has %d controls with id %d" % (self.name, len(found), id))
        return found[0]

    def controls_with(self, text=None, cls=None):
        return [c for c in self.controls
                if (text is None or c.text == text) and (cls is None or c.cls == cls)]


_DIALOG = re.compile(r"^(\w+)\s+DIALOG\s+(-?\d+)\s*,\s*(-?\d+)\s*,\s*(\d+)\s*,\s*(\d+)")
_CAPTION = re.compile(r'^\s*CAPTION\s+"((?:[^"]|"")*)"')
_CONTROL = re.compile(r'^\s*CONTROL\s+"((?:[^"]|"")*)"\s*,\s*(-?\d+)\s*,\s*"([^"]*)"\s*,\s*'
                      r'(0x[0-9A-Fa-f]+|\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*,\s*(\d+)\s*,\s*(\d+)')


def dialog_layout(rc_path):
    dialogs = {}
    current = None
    with open(rc_path, encoding="latin-1") as handle:
        for line in handle:
            match = _DIALOG.match(line)
            if match:
                current = Dialog(match.group(1), int(match.group(4)), int(match.group(5)))
                dialogs[current.name] = current
                continue
            if current is None:
                continue
            match = _CAPTION.match(line)
            if match:
                current.caption = match.group(1).replace('""', '"')
                continue
            match = _CONTROL.match(line)
            if match:
                text, id, cls, style, x, y, w, h = match.groups()
                current.controls.append(Control(text.replace('""', '"'), int(id), cls,
                                                int(style, 0), int(x), int(y), int(w), int(h)))
    return dialogs


class DialogPlacer:
    """Maps a template's dialog units onto the pixels of its window on the root window. The
    scale is the client size over the template size; a toolkit rounds each coordinate on its
    own, so a place found here can be off by a pixel or so."""

    def __init__(self, dialog, client_geometry):
        self.dialog = dialog
        self.left, self.top, self.client_w, self.client_h = client_geometry
        self.scale = (self.client_w / dialog.width, self.client_h / dialog.height)

    def rect(self, ctl):
        sx, sy = self.scale
        return (self.left + round(ctl.x * sx), self.top + round(ctl.y * sy),
                round(ctl.w * sx), round(ctl.h * sy))

    def point(self, ctl, fx=0.5, fy=0.5):
        x, y, w, h = self.rect(ctl)
        return (x + int(w * fx), y + int(h * fy))

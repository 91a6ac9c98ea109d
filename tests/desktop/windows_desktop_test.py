#!/usr/bin/env python3
"""Acceptance suite of the Windows program under Wine, driven as a person drives it.

Xvfb with openbox (xsession.XSession), mouse clicks and keys as real X input at the places the
dialog templates give the controls, and the panel simulator as the only COM port of the prefix.
What the controls then hold is read in the same Wine session by the GUI driver
(tests/win32/gui/gui_driver.cpp): it works out each control's screen rectangle from the program's
own dialog template and reads check marks, texts, list rows, bar positions and the picture each
picture control shows. Every frame the program sends is checked byte for byte at the simulator
against frames built here; what the test window shows after a scenario is checked against
zr8-decode's reading of the same bytes.

Usage: windows_desktop_test.py --wine-run W --tool EXE --driver EXE --panel-sim SIM
           --decode ZR8_DECODE --prefix WINEPREFIX --ftd2xx FTD2XX.dll --screens DIR
           [--only NAME] [--keep]
Screenshots of the key moments of a failing case are left in DIR.
"""

import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import display_model as model  # noqa: E402
import output_frames as frames  # noqa: E402
import xsession  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SCENARIO = os.path.join(HERE, "win_display_scenario.txt")

CONNECTION_CLASS = "CONNECTIONWINZR8"
TEST_CLASS = "SERIALWINZR8"
CONNECTION_TITLE = "ORVAN Connection Selection"
TEST_TITLE = "ORVAN ZR8 Test Tool - %s"
USB_DESCRIPTION = "ZR8 Bench Adapter"

# The ports the program probes; the simulators are COM5 and COM6, the others lead nowhere.
ALL_PORTS = ["COM%d" % n for n in range(1, 9)]
SIMULATED_PORTS = ("COM5", "COM6")
NO_DEVICE = "/"

# What the test window must show for a decoded state (the picture, read-out and bar rules are
# display_model's)


def expected_display(decoded):
    """{control id: {field: value}} for every indicator, the read-outs and the module list."""
    slots = decoded["slots"]
    want = {}
    for slot in model.PICTURE_SLOTS:
        control, number = model.slot_picture(slot, slots[slot])
        want[control] = {"picture": "BILD%d" % number}
    for control, text in model.expected_readouts(decoded).items():
        want[control] = {"text": text}
    for channel in range(6):
        # The bar's range is 0..127: a position beyond it stands at the top.
        want[2506 + channel] = {"pos": min(model.bar_position(decoded, channel), 127)}
    want[1002] = {"text": decoded["mainboard"]}
    want[1003] = {"rows": decoded["modules"], "selected": -1}
    return want


def outputs_at_rest():
    """The output controls with every output off."""
    want = {2204: {"checked": 0}, 2207: {"text": "1"}, 2311: {"checked": 0}}
    for first in (2302, 2305, 2308):
        for i in range(3):
            want[first + i] = {"checked": 1 if i == 0 else 0}
    want[2400] = {"checked": 1}
    want[2401] = {"checked": 0}
    return want


def differences(state, want):
    """Lines naming every control whose fields differ from want."""
    by_id = {}
    for line in state:
        by_id.setdefault(line["id"], line)
    out = []
    for control, fields in sorted(want.items()):
        seen = by_id.get(control)
        if seen is None:
            out.append("control %d: not in the window" % control)
            continue
        for field, value in fields.items():
            if seen.get(field) != value:
                out.append("control %d %s: shows %r, expected %r" %
                           (control, field, seen.get(field), value))
    return out


def decode(decoder, scenario_path):
    """zr8-decode's state for the bytes of a scenario file."""
    stream = bytearray()
    with open(scenario_path) as handle:
        for line in handle:
            words = line.split("#", 1)[0].split()
            stream += bytes(int(word, 16) for word in words[1:])
    result = subprocess.run([decoder, "-"], input=bytes(stream), stdout=subprocess.PIPE,
                            timeout=30, check=True)
    return json.loads(result.stdout)


# ---------------------------------------------------------------------------------------------
# Wine: the prefix, the program and the driver


class Wine:
    def __init__(self, options, env):
        self.options = options
        self.env = dict(env)
        self.env["WINEPREFIX"] = options.prefix
        self.env["WINEDEBUG"] = "-all"

    def run(self, argv, timeout=60, extra_env=None):
        """Runs a Windows program to its end. Its output goes through files, not pipes: the
        first Wine program of a session starts the server and its services, which inherit
        the program's handles and would hold a pipe open long after the program ended."""
        env = dict(self.env)
        env.update(extra_env or {})
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run([self.options.wine_run] + argv, env=env, stdout=out,
                                    stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout, result.stderr = out.read(), err.read()
        return result

    def kill_server(self):
        # This prefix's server only.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL,
                       timeout=30)
        # The server has gone (and saved the registry) once its socket has.
        info = os.stat(self.options.prefix)
        sockets = "/tmp/*wine*/server-%x-%x/socket" % (info.st_dev, info.st_ino)
        deadline = time.monotonic() + 15.0
        while glob.glob(sockets) and time.monotonic() < deadline:
            time.sleep(0.1)

    def driver(self, *steps, timeout=60):
        result = self.run([self.options.driver] + [str(step) for step in steps], timeout)
        return result.returncode, result.stdout.decode(errors="replace"), \
            result.stderr.decode(errors="replace")

    def expect(self, window_class, *steps, within=5.0):
        """Runs the driver's steps on the window until they all hold, for at most `within`
        seconds: a click reaches the program a moment after xdotool returns."""
        deadline = time.monotonic() + within
        while True:
            code, out, err = self.driver("wait", window_class, 5000, "program",
                                         self.options.tool, *steps)
            if code == 0:
                return out
            if time.monotonic() >= deadline:
                raise AssertionError("the %s window: %s" % (window_class, err.strip()))
            time.sleep(0.2)

    def state(self, window_class, tool):
        code, out, err = self.driver("wait", window_class, 5000, "program", tool, "state", "-")
        if code != 0:
            raise AssertionError("reading the %s window: %s" % (window_class, err.strip()))
        return [json.loads(line) for line in out.splitlines() if line.startswith("{")]

    def places(self, window_class, tool, ids):
        """{id: (x, y, w, h)} on the screen, from the template's dialog units; each must agree
        with where the control's window really is."""
        steps = []
        for control in ids:
            steps += ["where", control]
        code, out, err = self.driver("wait", window_class, 5000, "program", tool, *steps)
        if code != 0:
            raise AssertionError("placing the controls of %s: %s" % (window_class, err.strip()))
        where, actual = {}, {}
        for line in out.splitlines():
            words = line.split()
            if words and words[0] in ("where", "actual"):
                rect = tuple(int(w) for w in words[2:6])
                (where if words[0] == "where" else actual)[int(words[1])] = rect
        for control in ids:
            wx, wy, ww, wh = where[control]
            ax, ay, aw, ah = actual[control]
            # Pictures take the size of their bitmap, list boxes a whole number of rows.
            assert abs(wx - ax) <= 1 and abs(wy - ay) <= 1 and abs(ww - aw) <= 2 and \
                (abs(wh - ah) <= 2 or ah > wh), \
                "control %d: the template places it at %s, its window is at %s" % \
                (control, where[control], actual[control])
        return where


def read_registry_values(path, section):
    """The values of one key of a Wine registry file: {name: text}."""
    values, inside = {}, False
    if not os.path.exists(path):
        return values
    with open(path, encoding="utf-8", errors="replace") as handle:
        for line in handle:
            if line.startswith("["):
                inside = line.startswith("[%s]" % section)
                continue
            if inside and line.startswith('"') and '"="' in line:
                name, _, value = line.strip().partition('"="')
                values[name[1:]] = value[:-1]
    return values


class PrefixSetup:
    """The prefix as the suite needs it, put back afterwards.

    Every COM port of the prefix is named in its registry, which wins over the serial devices
    that Wine finds on the machine (it maps them to the lowest free numbers, and would take
    COM5 for the machine's first port if the registry left it free): COM5 and COM6 lead to fixed
    places in the work folder where the cases put their simulators' links, the others to a
    folder, which no one can open as a port (a path to nothing still lists as a port under
    Wine); a case without a second simulator puts a folder at COM6's place. Title bars come
    from the window manager (the smoke test has Wine draw them)."""

    def __init__(self, wine, workdir):
        self.wine = wine
        self.workdir = workdir
        self.prefix = wine.options.prefix
        self.places = {port: os.path.join(workdir, port.lower()) for port in SIMULATED_PORTS}
        self.saved_links = {}
        self.restore = None

    def __enter__(self):
        self.wine.kill_server()
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            self.wine.run(["cmd", "/c", "exit", "0"], timeout=120)
            self.wine.kill_server()
        ports = read_registry_values(os.path.join(self.prefix, "system.reg"),
                                     r"Software\\Wine\\Ports")
        x11 = read_registry_values(os.path.join(self.prefix, "user.reg"),
                                   r"Software\\Wine\\X11 Driver")
        self.saved_links = self._port_links()

        def value(values, name):
            return '"%s"=%s' % (name, '"%s"' % values[name] if name in values else "-")

        self.restore = ["REGEDIT4", "", r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
        self.restore += [value(ports, port) for port in ALL_PORTS]
        self.restore += ["", r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]",
                         value(x11, "Decorated"), ""]
        setup = ["REGEDIT4", "", r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
        setup += ['"%s"="%s"' % (port, self.places.get(port, NO_DEVICE)) for port in ALL_PORTS]
        setup += ["", r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Decorated"=-', ""]
        for port in SIMULATED_PORTS:
            self.block(port)
        self._import(setup, "setup.reg")
        return self

    def _import(self, lines, name):
        path = os.path.join(self.workdir, name)
        with open(path, "w", newline="\r\n") as handle:
            handle.write("\n".join(lines) + "\n")
        result = self.wine.run(["reg", "import", "Z:" + path.replace("/", "\\")], timeout=60)
        self.wine.kill_server()
        if result.returncode != 0:
            raise RuntimeError("reg import %s: %s" % (name, result.stderr.decode(errors="replace")))

    def block(self, port):
        """No port at PORT's place: a folder."""
        place = self.places[port]
        if os.path.lexists(place) and not os.path.isdir(place):
            os.remove(place)
        os.makedirs(place, exist_ok=True)

    def free(self, port):
        """PORT's place for a simulator's link."""
        place = self.places[port]
        if os.path.isdir(place) and not os.path.islink(place):
            os.rmdir(place)
        return place

    def __exit__(self, *exc):
        self.wine.kill_server()
        if self.restore is not None:
            self._import(self.restore, "restore.reg")
        # Wine leaves the links it made for our values: put back the ones that were there.
        for name in self._port_links():
            os.remove(os.path.join(self.prefix, "dosdevices", name))
        for name, target in self.saved_links.items():
            os.symlink(target, os.path.join(self.prefix, "dosdevices", name))
        return False

    def _port_links(self):
        folder = os.path.join(self.prefix, "dosdevices")
        return {name: os.readlink(os.path.join(folder, name)) for name in os.listdir(folder)
                if name.startswith("com") and os.path.islink(os.path.join(folder, name))}


class Tool:
    """One run of the program, ended whatever happens."""

    def __init__(self, wine, exe, workdir, extra_env=None):
        env = dict(wine.env)
        env.update(extra_env or {})
        self.wine = wine
        self.log = open(os.path.join(workdir, "tool.log"), "ab")
        self.process = subprocess.Popen([wine.options.wine_run, exe], env=env, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program still runs %.0f s later" % timeout)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        self.log.close()
        self.wine.kill_server()


# ---------------------------------------------------------------------------------------------
# The cases


class Case:
    """What one case needs: the session, the prefix, the simulators and the screenshots of its
    key moments, kept for the report when it fails."""

    def __init__(self, options, session, wine, prefix, workdir, name):
        self.options, self.session, self.wine, self.prefix = options, session, wine, prefix
        self.env = session.env
        self.workdir = workdir
        self.name = name
        self.simulators = []
        self.tool = None
        self.moments = []

    def simulator(self, port, scenario=None):
        link = self.prefix.free(port)
        sim = xsession.Simulator(self.options.panel_sim, self.workdir, link, scenario)
        self.simulators.append(sim)
        return sim

    def start(self, exe=None, extra_env=None):
        self.tool = Tool(self.wine, exe or self.options.tool, self.workdir, extra_env)
        return self.tool

    def moment(self, label):
        path = os.path.join(self.workdir, "%s-%02d-%s.png" % (self.name, len(self.moments), label))
        try:
            xsession.grab(self.env).save_png(path)
            self.moments.append(path)
        except Exception as error:  # a missing picture must not hide the real outcome
            print("  (no screenshot %s: %s)" % (label, error))

    def keep_moments(self):
        for sim in self.simulators:
            print("  the simulator on %s printed:\n    %s" %
                  (os.path.basename(sim.link), "\n    ".join(sim.lines()[-40:])))
        os.makedirs(self.options.screens, exist_ok=True)
        self.moment("failed")
        kept = []
        for path in self.moments:
            target = os.path.join(self.options.screens, os.path.basename(path))
            shutil.copyfile(path, target)
            kept.append(target)
        return kept

    def close(self):
        if self.tool is not None:
            self.tool.close()
        for sim in self.simulators:
            sim.stop()
        for port in SIMULATED_PORTS:
            self.prefix.block(port)

    # helpers over the driver

    def where(self, window_class, ids, exe=None):
        return self.wine.places(window_class, exe or self.options.tool, ids)

    def click(self, rect, double=False):
        x, y, w, h = rect
        xsession.click(self.env, x + w // 2, y + h // 2, double=double)

    def click_row(self, list_rect, row, row_height, double=False):
        x, y, w, _ = list_rect
        xsession.click(self.env, x + w // 3, y + 2 + row * row_height + row_height // 2,
                       double=double)


def connection_window_state(wine, rows, selected, ok, radios, checked, unchanged=False):
    """Checks the connection window: its rows, selection, OK, radios and marks. After input that
    must change nothing (unchanged), it first gives the program time to go wrong."""
    if unchanged:
        time.sleep(0.7)
    steps = ["rows", 502, len(rows)] + rows + ["selected", 502, selected,
                                               "enabled", 501, ok, "enabled", 503, radios,
                                               "enabled", 504, radios,
                                               "checked", 503, 1 if checked == 503 else 0,
                                               "checked", 504, 1 if checked == 504 else 0]
    wine.expect(CONNECTION_CLASS, *steps)


def list_row_height(case, exe=None):
    """The list's place, and the height of one row: a row is one line of the dialog's font, which
    is 8 vertical dialog units, so the 240 units of the list hold 30 rows."""
    rect = case.where(CONNECTION_CLASS, [502], exe)[502]
    return rect, max(1, round(rect[3] / 30.0))


def case_one_row_and_outputs(case):
    """COM5 alone: a click selects the row, the radios move the mark, a double-click opens the
    test window; the scenario's state on every indicator; every output control clicked, each
    frame byte for byte; Clear; Quit with status 0 after the three all-off frames."""
    wine, tool_exe = case.wine, case.options.tool
    sim = case.simulator("COM5", SCENARIO)
    case.start()
    wine.expect(CONNECTION_CLASS, "title", CONNECTION_TITLE, within=30.0)
    case.moment("connection-window")
    connection_window_state(wine, ["COMM - COM5"], -1, 0, 0, 503)
    # Every text whole, nothing widened onto a neighbour; kept above other windows.
    wine.expect(CONNECTION_CLASS, "texts", "topmost", 1)

    places = case.where(CONNECTION_CLASS, [502, 503, 504, 501, 500])
    list_rect, row_height = list_row_height(case)
    case.click_row(list_rect, 0, row_height)
    connection_window_state(wine, ["COMM - COM5"], 0, 1, 1, 503)
    case.click(places[504])
    connection_window_state(wine, ["COMM - COM5"], 0, 1, 1, 504)
    case.click(places[504])  # the radio that carries the mark: nothing changes
    connection_window_state(wine, ["COMM - COM5"], 0, 1, 1, 504, unchanged=True)
    case.click(places[503])
    connection_window_state(wine, ["COMM - COM5"], 0, 1, 1, 503)
    case.click(places[504])
    connection_window_state(wine, ["COMM - COM5"], 0, 1, 1, 504)
    case.moment("row-selected")
    assert sim.frames() == [], "frames before the test window: %s" % sim.frames()

    case.click_row(list_rect, 0, row_height, double=True)
    wine.expect(TEST_CLASS, "title", TEST_TITLE % "COMM - COM5", "count", CONNECTION_CLASS, 0,
                within=20.0)
    sim.wait_frames(frames.all_off(), 10.0)
    case.moment("test-window")
    wine.expect(TEST_CLASS, "texts", "topmost", 0)

    # What the screen shows once the scenario has played.
    sim.wait_line("end ", 15.0)
    decoded = decode(case.options.decode, SCENARIO)
    want = expected_display(decoded)
    want.update(outputs_at_rest())
    shown = wait_display(wine, tool_exe, want, 15.0)
    case.moment("scenario-shown")
    assert len([c for c in shown if "picture" in c]) == len(model.PICTURE_SLOTS), \
        "picture controls of the window: %d" % len([c for c in shown if "picture" in c])

    outputs(case, sim)

    places = case.where(TEST_CLASS, [1000, 1001])
    mark = sim.mark()
    case.click(places[1001])
    sim.wait_frames(frames.all_off(), 10.0, since=mark)
    cleared = expected_display({"slots": [-1] * 47, "trimCounter": 0, "fullScale": 255.0,
                                "mainboard": decoded["mainboard"], "modules": []})
    cleared.update(outputs_at_rest())
    wait_display(wine, tool_exe, cleared, 10.0)
    case.moment("cleared")

    mark = sim.mark()
    case.click(places[1000])
    status = case.tool.wait_exit(20.0)
    assert status == 0, "Quit ended the program with status %d" % status
    sim.wait_frames(frames.all_off(), 10.0, since=mark)


def wait_display(wine, tool_exe, want, within):
    deadline = time.monotonic() + within
    while True:
        state = wine.state(TEST_CLASS, tool_exe)
        wrong = differences(state, want)
        if not wrong:
            return state
        if time.monotonic() >= deadline:
            raise AssertionError("the test window shows what it should not:\n  " +
                                 "\n  ".join(wrong))
        time.sleep(0.3)


def outputs(case, sim):
    """Every output control clicked with the mouse, each frame and each mark checked."""
    wine, tool_exe = case.wine, case.options.tool
    ids = [2204, 2205, 2206, 2311, 2400, 2401] + list(range(2302, 2311))
    places = case.where(TEST_CLASS, ids)
    state = {"trim_on": 0, "step": 1, "left": 0, "nose": 0, "right": 0, "dimmed": 0, "hobbs": 0}

    def trim():
        return frames.trim_frame(state["trim_on"], state["step"])

    def gear():
        return frames.gear_frame(left=state["left"], nose=state["nose"], right=state["right"],
                                 dimmed=state["dimmed"])

    def press(control, expected_frames, *steps):
        mark = sim.mark()
        case.click(places[control])
        sim.wait_frames(expected_frames, 5.0, since=mark)
        if steps:
            wine.expect(TEST_CLASS, *steps)

    # "Ind. On" twice: marked and on, then clear and off.
    state["trim_on"] = 1
    press(2204, [trim()], "checked", 2204, 1)
    state["trim_on"] = 0
    press(2204, [trim()], "checked", 2204, 0)
    # DN at step 1 stays at 1 and still sends.
    press(2205, [trim()], "text", 2207, "1")
    # UP to 20 and beyond: the read-out stays 20, and every press sends.
    for step in range(2, 23):
        state["step"] = min(step, 20)
        press(2206, [trim()], *(["text", 2207, str(state["step"])]
                                if step in (2, 10, 19, 20, 22) else []))
    state["trim_on"] = 1
    press(2204, [trim()], "checked", 2204, 1, "text", 2207, "20")
    case.moment("trim-on-20")

    # Every gear radio: its own mark alone in its row, the frame with the light's code.
    for row, (field, first) in enumerate((("left", 2302), ("nose", 2305), ("right", 2308))):
        for choice in (1, 2, 0, 2):
            state[field] = choice
            marks = []
            for i in range(3):
                marks += ["checked", first + i, 1 if i == choice else 0]
            press(first + choice, [gear()], *marks)
    # The radio that carries the mark sends again, the same frame.
    press(2308 + 2, [gear()], "checked", 2310, 1)
    state["dimmed"] = 1
    press(2311, [gear()], "checked", 2311, 1)
    state["dimmed"] = 0
    press(2311, [gear()], "checked", 2311, 0)
    state["dimmed"] = 1
    press(2311, [gear()], "checked", 2311, 1)
    case.moment("gear-lights")

    # Hobbs ON: the click's frame, then the same frame every 5000 ms while ON.
    state["hobbs"] = 1
    press(2401, [frames.hobbs_frame(True)], "checked", 2401, 1, "checked", 2400, 0)
    mark = sim.mark()
    arrivals = []
    deadline = time.monotonic() + 12.5
    while len(arrivals) < 2 and time.monotonic() < deadline:
        if sim.mark() > mark + len(arrivals):
            arrivals.append(time.monotonic())
        time.sleep(0.05)
    got = sim.frames()[mark:]
    assert got == [frames.hobbs_frame(True)] * 2, \
        "while the hobbs meter is ON, two repeats in 12.5 s; came: %s" % got
    assert arrivals[1] - arrivals[0] > 3.5, \
        "the hobbs repeats came %.1f s apart" % (arrivals[1] - arrivals[0])
    state["hobbs"] = 0
    press(2400, [frames.hobbs_frame(False)], "checked", 2400, 1, "checked", 2401, 0)
    # OFF: the timer sends nothing more.
    mark = sim.mark()
    time.sleep(5.5)
    assert sim.frames()[mark:] == [], "frames with the hobbs meter OFF: %s" % sim.frames()[mark:]
    # Leave lights on for Clear to put off.
    state["left"] = 1
    press(2303, [gear()], "checked", 2303, 1)


def case_several_rows(case):
    """COM5, COM6 and a USB adapter (the test FTD2XX.dll beside a copy of the program): the keys
    move the selection, a USB row disables the radios and keeps their mark, a double-click opens
    the row's own port, and Alt+F4 on the test window ends the program with the all-off
    frames."""
    wine = case.wine
    folder = os.path.join(case.workdir, "with-adapter")
    os.makedirs(folder, exist_ok=True)
    exe = os.path.join(folder, "zr8-test-tool.exe")
    shutil.copyfile(case.options.tool, exe)
    shutil.copyfile(case.options.ftd2xx, os.path.join(folder, "FTD2XX.dll"))
    sim5 = case.simulator("COM5")
    sim6 = case.simulator("COM6")
    case.start(exe, {"ZR8_FAKE_FTDI": USB_DESCRIPTION})
    rows = ["COMM - COM5", "COMM - COM6", "USB - " + USB_DESCRIPTION]
    wine.expect(CONNECTION_CLASS, "title", CONNECTION_TITLE, within=30.0)
    connection_window_state(wine, rows, -1, 0, 0, 503)
    case.moment("three-rows")
    places = case.where(CONNECTION_CLASS, [502, 503, 504], exe)
    list_rect, row_height = list_row_height(case, exe)
    wid = xsession.find_window(case.env, CONNECTION_TITLE)

    case.click_row(list_rect, 1, row_height)
    connection_window_state(wine, rows, 1, 1, 1, 503)
    for keys, row in (("Down", 2), ("Up", 1), ("Home", 0), ("Up", 0), ("End", 2), ("Down", 2),
                      ("Up", 1)):
        xsession.key(case.env, wid, keys)
        connection_window_state(wine, rows, row, 1, 0 if row == 2 else 1, 503,
                                unchanged=keys in ("Up", "Down") and row in (0, 2))
    case.click(places[504])
    connection_window_state(wine, rows, 1, 1, 1, 504)
    # The USB row: OK, but no speed; the mark stays where it was.
    case.click_row(list_rect, 2, row_height)
    connection_window_state(wine, rows, 2, 1, 0, 504)
    case.moment("usb-row")
    case.click(places[503])  # a disabled radio takes no click
    connection_window_state(wine, rows, 2, 1, 0, 504, unchanged=True)
    case.click_row(list_rect, 0, row_height)
    connection_window_state(wine, rows, 0, 1, 1, 504)

    case.click_row(list_rect, 1, row_height, double=True)
    wine.expect(TEST_CLASS, "title", TEST_TITLE % "COMM - COM6", within=20.0)
    sim6.wait_frames(frames.all_off(), 10.0)
    case.moment("test-window-com6")
    test_wid = xsession.find_window(case.env, TEST_TITLE % "COMM - COM6")
    xsession.key(case.env, test_wid, "alt+F4")
    status = case.tool.wait_exit(20.0)
    assert status == 0, "Alt+F4 ended the program with status %d" % status
    sim6.wait_frames(frames.all_off() + frames.all_off(), 10.0)
    assert sim5.frames() == [], "COM5 got frames: %s" % sim5.frames()


def case_quit_in_connection_window(case):
    """Quit in the connection window ends the program with status 0 and nothing sent."""
    sim = case.simulator("COM5")
    case.start()
    case.wine.expect(CONNECTION_CLASS, "rows", 502, 1, "COMM - COM5", within=30.0)
    places = case.where(CONNECTION_CLASS, [500])
    case.click(places[500])
    status = case.tool.wait_exit(20.0)
    assert status == 0, "Quit ended the program with status %d" % status
    time.sleep(0.5)
    assert sim.frames() == [], "frames after Quit in the connection window: %s" % sim.frames()


def case_two_starts_close_together(case):
    """Two starts a tenth of a second apart: one window; one start (which, Wine decides) ends
    with status 0 and the other copy stays."""
    case.simulator("COM5")
    first = case.start()
    time.sleep(0.1)
    second = Tool(case.wine, case.options.tool, case.workdir)
    try:
        deadline = time.monotonic() + 30.0
        while first.process.poll() is None and second.process.poll() is None:
            assert time.monotonic() < deadline, "both starts still run 30 s later"
            time.sleep(0.1)
        ended, stays = (first, second) if first.process.poll() is not None else (second, first)
        assert ended.process.returncode == 0, \
            "the start that ended had status %d" % ended.process.returncode
        case.wine.expect(CONNECTION_CLASS, "count", CONNECTION_CLASS, 1, within=30.0)
        time.sleep(2.0)
        case.wine.expect(CONNECTION_CLASS, "count", CONNECTION_CLASS, 1)
        assert stays.process.poll() is None, "the other copy ended too"
    finally:
        if second.process.poll() is None:
            second.process.kill()
            second.process.wait(10)
        second.log.close()


CASES = [
    ("one_row_and_outputs", case_one_row_and_outputs),
    ("several_rows", case_several_rows),
    ("quit_in_connection_window", case_quit_in_connection_window),
    ("two_starts_close_together", case_two_starts_close_together),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    for name in ("wine-run", "tool", "driver", "panel-sim", "decode", "prefix", "ftd2xx",
                 "screens"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--only", action="append", help="run only this case (repeatable)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args()
    for path in (options.tool, options.driver, options.panel_sim, options.decode,
                 options.ftd2xx):
        if not os.path.exists(path):
            print("windows_desktop_test: missing %s" % path)
            return 1
    frames.check_worked_examples()
    shutil.rmtree(options.screens, ignore_errors=True)  # pictures of an earlier run

    failed = []
    started = time.monotonic()
    workdir = tempfile.mkdtemp(prefix="zr8-windesk-")
    try:
        with xsession.XSession(os.path.join(workdir, "x")) as session:
            wine = Wine(options, session.env)
            with PrefixSetup(wine, workdir) as prefix:
                for name, run in CASES:
                    if options.only and name not in options.only:
                        continue
                    case = Case(options, session, wine, prefix, workdir, name)
                    begun = time.monotonic()
                    try:
                        run(case)
                        print("PASS %s (%.1f s)" % (name, time.monotonic() - begun))
                    except Exception:
                        print("FAIL %s (%.1f s)" % (name, time.monotonic() - begun))
                        traceback.print_exc(file=sys.stdout)
                        for path in case.keep_moments():
                            print("  screenshot: %s" % path)
                        failed.append(name)
                    finally:
                        case.close()
    finally:
        if options.keep:
            print("work folder: %s" % workdir)
        else:
            shutil.rmtree(workdir, ignore_errors=True)
    print("%s in %.1f s" % ("FAILED: " + ", ".join(failed) if failed else "all passed",
                            time.monotonic() - started))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

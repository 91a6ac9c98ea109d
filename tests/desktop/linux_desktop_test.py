#!/usr/bin/env python3
"""Acceptance tests of the Linux program on a real X server: the tool runs on Qt's xcb platform
under openbox and is driven with X mouse and key events at the places where its controls stand
on the screen, worked out from the dialog templates and the window's geometry. The panel
simulator plays the mainboard on COM5 and checks every frame the tool sends.

  linux_desktop_test.py --tool T --panel-sim S --decode D --source DIR --out DIR [unittest args]
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import termios
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import output_frames as frames  # noqa: E402
import screen_checks as sc  # noqa: E402
import xsession as xs  # noqa: E402

ARGS = None
CONNECTION_TITLE = "ORVAN Connection Selection"
TEST_TITLE = "ORVAN ZR8 Test Tool - COMM - COM%d"
FRAME_WAIT = 3.0  # seconds for a frame to reach the simulator after a click


class PublishedFrames(unittest.TestCase):
    """The frame builder of these tests against the worked examples of the frame layout."""

    def test_worked_examples(self):
        frames.check_worked_examples()


class ToolRun:
    """One run of the tool against simulators and plain ptys mapped to COM ports."""

    def __init__(self, case, sims=(5,), ptys=(), scenario=None):
        self.case = case
        self.env = dict(case.session.env)
        self.work = os.path.join(ARGS.out, "work", case.id().split(".")[-1])
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(runtime, mode=0o700)
        # A private runtime folder: the single-instance guard of this run is its own.
        self.env.update({"XDG_RUNTIME_DIR": runtime, "TMPDIR": runtime,
                         "QT_QPA_PLATFORM": "xcb", "QT_SCALE_FACTOR": "1"})
        self.env.pop("ZR8_AUTOPILOT", None)
        for n in range(1, 9):
            self.env["ZR8_COM%d" % n] = ""
        self.sims = {}
        self.ptys = []
        self.tool = None
        self.log = None
        case.addCleanup(self.close)
        for n in sims:
            link = os.path.join(self.work, "com%d" % n)
            self.sims[n] = xs.Simulator(ARGS.panel_sim, self.work, link,
                                        scenario=scenario if n == sims[0] else None)
            self.env["ZR8_COM%d" % n] = link
        for n in ptys:
            master, slave = os.openpty()
            self.ptys += [master, slave]
            self.env["ZR8_COM%d" % n] = os.ttyname(slave)

    def start(self):
        self.log = open(os.path.join(self.work, "tool.log"), "wb")
        self.tool = subprocess.Popen([ARGS.tool], env=self.env, stdout=self.log,
                                     stderr=subprocess.STDOUT)
        self.conn_wid = xs.find_window(self.env, CONNECTION_TITLE, 20.0)
        self.conn = self.case.placer(self.case.layout["CONNECTIONWINZR8"], self.conn_wid)
        self.case.settle()
        return self

    def exit_status(self, timeout=10.0):
        try:
            return self.tool.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self):
        if self.tool is not None and self.tool.poll() is None:
            self.tool.terminate()
            try:
                self.tool.wait(10)
            except subprocess.TimeoutExpired:
                self.tool.kill()
                self.tool.wait(10)
        for sim in self.sims.values():
            sim.stop()
        for fd in self.ptys:
            os.close(fd)
        self.ptys = []
        if self.log is not None:
            self.log.close()
            self.log = None


class DesktopCase(unittest.TestCase):
    session = None

    @classmethod
    def setUpClass(cls):
        cls.layout = xs.dialog_layout(os.path.join(ARGS.source, "resources", "dialogs.rc"))
        cls.screens = xs.failure_screens(os.path.join(ARGS.out, "screens"))
        cls._session = xs.XSession(os.path.join(ARGS.out, "xsession"))
        cls._session.__enter__()
        DesktopCase.session = cls._session

    @classmethod
    def tearDownClass(cls):
        cls._session.close()

    # -- helpers ------------------------------------------------------------------------------

    def settle(self, seconds=0.3):
        time.sleep(seconds)

    def shot(self, label):
        name = self.id().split(".")[-1] + "-" + label
        try:
            return self.screens.shoot(self.session.env, name)
        except Exception as error:  # the screen is evidence only; the check has failed anyway
            return "(no screenshot: %s)" % error

    def check(self, condition, message):
        if not condition:
            path = self.shot("failed")
            self.fail("%s\n  screenshot: %s (folder %s)" % (message, path, self.screens.folder))

    def frames_equal(self, sim, expected, since, what, timeout=FRAME_WAIT):
        try:
            return sim.wait_frames(expected, timeout, since=since)
        except xs.WaitTimeout as error:
            self.check(False, "%s: wrong frames at the simulator\n%s" % (what, error))

    def line_speed(self, path):
        """The baud rate the tool set on the pty it holds open (root passes its exclusive
        hold; anyone else is refused, and the test is then skipped at this point)."""
        try:
            fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        except OSError as error:
            self.skipTest("cannot look at the line speed of %s: %s" % (path, error))
        try:
            speed = termios.tcgetattr(fd)[5]
        finally:
            os.close(fd)
        return {termios.B9600: 9600, termios.B38400: 38400}.get(speed, speed)

    def placer(self, dialog, wid):
        geometry = xs.window_geometry(self.session.env, wid)
        placer = xs.DialogPlacer(dialog, geometry)
        sx, sy = placer.scale
        self.check(1.0 <= sx <= 4.0 and 1.0 <= sy <= 4.0 and 0.6 <= sy / sx <= 1.4,
                   "window %s: client %dx%d for a %dx%d template gives an odd scale %.2f x %.2f"
                   % (dialog.name, geometry[2], geometry[3], dialog.width, dialog.height, sx, sy))
        for ctl in (c for c in dialog.controls if c.id != -1):
            x, y, w, h = placer.rect(ctl)
            self.check(x >= geometry[0] and y >= geometry[1] and
                       x + w <= geometry[0] + geometry[2] + 2 and
                       y + h <= geometry[1] + geometry[3] + 2,
                       "control %r of %s falls outside the client area %s" %
                       (ctl, dialog.name, geometry))
        return placer

    def click_control(self, placer, ctl_id, double=False):
        ctl = placer.dialog.control(ctl_id)
        if ctl.cls == "BUTTON" and ctl.style & 0xF in (2, 4):
            # Check boxes and radio buttons: on the mark, where a user aims.
            x, y, w, h = placer.rect(ctl)
            point = (x + h // 2, y + h // 2)
        else:
            point = placer.point(ctl)
        xs.click(self.session.env, point[0], point[1], double=double)

    def poll_screen(self, predicate, timeout=3.0):
        """Grabs the screen until predicate(screen) holds; returns the last grab and the
        result."""
        deadline = time.monotonic() + timeout
        while True:
            screen = xs.grab(self.session.env)
            value = predicate(screen)
            if value or time.monotonic() >= deadline:
                return screen, value
            time.sleep(0.15)

    # -- the connection window ------------------------------------------------------------------

    def ok_enabled(self, run, screen):
        # OK's text is drawn black when the button is enabled, grey when it is disabled.
        return sc.darkest(screen, run.conn.rect(run.conn.dialog.control(501))) < 80

    def radios_enabled(self, run, screen):
        return all(sc.darkest(screen, run.conn.rect(run.conn.dialog.control(i))) < 80
                   for i in (503, 504))

    def list_column(self, run):
        x, y, w, h = run.conn.rect(run.conn.dialog.control(502))
        return x + int(w * 0.6), y, y + h

    def selected_bands(self, run, screen):
        x, y0, y1 = self.list_column(run)
        return sc.bands(screen, x, y0, y1)

    def row_point(self, run, row, row_height=None):
        x, y, w, h = run.conn.rect(run.conn.dialog.control(502))
        height = row_height or self.row_height
        return x + int(w * 0.3), self.first_row_top + row * height + height // 2

    def selected_row(self, run, screen):
        found = self.selected_bands(run, screen)
        if len(found) != 1:
            return None if not found else "several (%s)" % found
        return round((found[0][0] - self.first_row_top) / self.row_height)

    def open_by_double_click(self, run):
        """A double-click on the first row, as a user opens a connection. (A click and OK are
        the connection window's own tests.)"""
        x, y, w, h = run.conn.rect(run.conn.dialog.control(502))
        xs.click(self.session.env, x + int(w * 0.3), y + 8, double=True)
        return self.await_test_window(run, 5)

    def await_test_window(self, run, port):
        title = TEST_TITLE % port
        try:
            wid = xs.find_window(self.session.env, title, 10.0)
        except xs.WaitTimeout as error:
            self.check(False, "the test window did not appear: %s" % error)
        self.settle(0.5)
        return wid, self.placer(self.layout["SERIALWINZR8"], wid)


class ConnectionWindow(DesktopCase):

    def test_one_row_click_enables_ok_and_ok_opens_the_test_window(self):
        run = ToolRun(self).start()
        sim = run.sims[5]
        screen = xs.grab(self.session.env)
        self.check(not self.ok_enabled(run, screen), "OK is available before any row is chosen")
        self.check(not self.radios_enabled(run, screen),
                   "the speed radios are available before any row is chosen")
        self.check(self.selected_bands(run, screen) == [], "a row is highlighted at start")
        mark = sim.mark()
        x, y, w, h = run.conn.rect(run.conn.dialog.control(502))
        xs.click(self.session.env, x + int(w * 0.3), y + 8)
        screen, enabled = self.poll_screen(lambda s: self.ok_enabled(run, s))
        self.check(len(self.selected_bands(run, screen)) == 1,
                   "a click on the only row does not highlight it")
        self.check(enabled, "a click on the only row (COMM - COM5) leaves OK unavailable: its "
                            "text stays grey")
        self.check(self.radios_enabled(run, screen),
                   "a click on a serial row leaves the speed radios unavailable")
        self.check(sim.frames()[mark:] == [], "choosing a row sent frames")
        self.click_control(run.conn, 501)
        wid, _ = self.await_test_window(run, 5)
        self.frames_equal(sim, frames.all_off(), mark, "opening the test window")
        self.check(xs.find_windows(self.session.env, CONNECTION_TITLE) == [],
                   "the connection window is still shown beside the test window")
        speed = self.line_speed(sim.link)
        self.check(speed == 9600, "COM5 opened at %s baud, not the 9600 marked" % speed)

    def learn_rows(self, run):
        """Clicks row 0 and learns where the rows stand from its highlight."""
        x, y, w, h = run.conn.rect(run.conn.dialog.control(502))
        xs.click(self.session.env, x + int(w * 0.3), y + 8)
        screen, found = self.poll_screen(lambda s: self.selected_bands(run, s))
        self.check(len(found) == 1, "a click on the first row highlights %s" % (found,))
        self.first_row_top, self.row_height = found[0]
        return screen

    def test_several_rows_by_mouse_and_keys(self):
        run = ToolRun(self, sims=(5, 6), ptys=(7,)).start()
        env = self.session.env
        screen = self.learn_rows(run)
        self.check(self.selected_row(run, screen) == 0, "row 0 is not the highlighted one")
        self.check(self.ok_enabled(run, screen), "a click on row 0 of three leaves OK unavailable")
        list_rect = run.conn.rect(run.conn.dialog.control(502))
        ok_rect = run.conn.rect(run.conn.dialog.control(501))

        def region(s):
            return [s.crop(*list_rect), s.crop(*ok_rect)]

        before = region(screen)
        time.sleep(1.0)  # two clicks closer than this are a double-click
        # Again on the chosen row, then in the empty part below the rows: nothing changes.
        for what, point in [("a second click on the chosen row", self.row_point(run, 0)),
                            ("a click below the last row", (self.row_point(run, 0)[0],
                                                             list_rect[1] + list_rect[3] - 20))]:
            xs.click(env, *point)
            self.settle(1.0)
            after = region(xs.grab(env))
            changes = [sc.differing_box(a, b) for a, b in zip(before, after)]
            self.check(changes == [None, None], "%s changed the list or OK (changed boxes "
                       "inside them: %s)" % (what, changes))

        for keys, row in [("Down", 1), ("Down", 2), ("Up", 1), ("Home", 0), ("End", 2),
                          ("Up", 1)]:
            xs.key(env, run.conn_wid, keys)
            screen, _ = self.poll_screen(lambda s: self.selected_row(run, s) == row, 2.0)
            self.check(self.selected_row(run, screen) == row,
                       "after %s the highlight is on row %s, not %d" %
                       (keys, self.selected_row(run, screen), row))
            self.check(self.ok_enabled(run, screen), "OK unavailable after %s" % keys)

        r9600 = run.conn.rect(run.conn.dialog.control(503))
        r38400 = run.conn.rect(run.conn.dialog.control(504))
        self.check(sc.mark_present(screen, r9600) and not sc.mark_present(screen, r38400),
                   "9600 is not the marked speed at start")
        for ctl, marked, unmarked in [(504, r38400, r9600), (504, r38400, r9600),
                                      (503, r9600, r38400), (504, r38400, r9600)]:
            self.click_control(run.conn, ctl)
            screen, _ = self.poll_screen(
                lambda s: sc.mark_present(s, marked) and not sc.mark_present(s, unmarked), 2.0)
            self.check(sc.mark_present(screen, marked) and not sc.mark_present(screen, unmarked),
                       "after a click on speed radio %d its mark is not the only one" % ctl)

        marks = {n: sim.mark() for n, sim in run.sims.items()}
        self.click_control(run.conn, 501)
        self.await_test_window(run, 6)
        self.frames_equal(run.sims[6], frames.all_off(), marks[6], "opening COM6")
        self.check(run.sims[5].frames()[marks[5]:] == [], "COM5 got frames though COM6 was chosen")
        speed = self.line_speed(run.sims[6].link)
        self.check(speed == 38400, "COM6 opened at %s baud, not the 38400 marked" % speed)

    def test_double_click_opens_that_row(self):
        run = ToolRun(self, sims=(5, 6)).start()
        self.learn_rows(run)  # row 0 chosen; the double-click then moves to row 1 and opens it
        time.sleep(1.0)  # not a double-click with the click before
        xs.click(self.session.env, *self.row_point(run, 1), double=True)
        self.await_test_window(run, 6)
        self.frames_equal(run.sims[6], frames.all_off(), 0, "double-click on COM6")
        self.check(run.sims[5].frames() == [], "COM5 got frames though COM6 was double-clicked")

    def test_leaving_the_connection_window_sends_nothing_and_ends_with_status_0(self):
        for how in ("Quit", "alt+F4"):
            with self.subTest(how=how):
                run = ToolRun(self).start()
                if how == "Quit":
                    self.click_control(run.conn, 500)
                else:
                    xs.key(self.session.env, run.conn_wid, how)
                status = run.exit_status()
                self.check(status == 0, "%s in the connection window: the program %s" %
                           (how, "still runs" if status is None else "ended with %d" % status))
                self.settle(0.3)
                self.check(run.sims[5].frames() == [], "%s in the connection window sent %s" %
                           (how, run.sims[5].frames()))
                run.close()


class TestWindowOutputs(DesktopCase):

    def open(self, scenario=None):
        run = ToolRun(self, scenario=scenario).start()
        wid, placer = self.open_by_double_click(run)
        self.frames_equal(run.sims[5], frames.all_off(), 0, "opening the test window")
        return run, wid, placer

    def test_every_output_control_by_mouse(self):
        run, wid, tp = self.open()
        sim = run.sims[5]
        env = self.session.env

        def press(ctl, expected, what):
            mark = sim.mark()
            self.click_control(tp, ctl)
            self.frames_equal(sim, [expected], mark, what)

        def marks(ids):
            screen = xs.grab(env)
            return [sc.mark_present(screen, tp.rect(tp.dialog.control(i))) for i in ids]

        press(2204, frames.trim_frame(True, 1), "Ind. On, first click")
        self.check(marks([2204]) == [True], "Ind. On shows no mark after the first click")
        press(2204, frames.trim_frame(False, 1), "Ind. On, second click")
        self.check(marks([2204]) == [False], "Ind. On still marked after the second click")
        press(2205, frames.trim_frame(False, 1), "DN at step 1")

        step_rect = tp.rect(tp.dialog.control(2207))
        seen = {}
        for click in range(1, 22):
            step = min(20, 1 + click)
            press(2206, frames.trim_frame(False, step), "UP, click %d" % click)
            if click in (18, 19, 21):
                seen[click] = sc.ink(xs.grab(env), step_rect)
        self.check(seen[19] == seen[21] and seen[19] != seen[18] and seen[19],
                   "the step read-out after 21 UP clicks does not stay at what it showed at 20")
        press(2205, frames.trim_frame(False, 19), "DN from 20")

        state = {"left": 0, "nose": 0, "right": 0, "dimmed": 0}
        rows = {"left": (2302, 2303, 2304), "nose": (2305, 2306, 2307),
                "right": (2308, 2309, 2310)}
        for light, ids in rows.items():
            for choice in (1, 2, 0, 2):
                state[light] = choice
                press(ids[choice], frames.gear_frame(**state),
                      "%s gear light %s" % (light, ("OFF", "RED", "GREEN")[choice]))
                got = marks(ids)
                self.check(got == [i == choice for i in range(3)],
                           "%s gear light radios show marks %s after choosing %d" %
                           (light, got, choice))
        state["nose"] = 1
        press(2306, frames.gear_frame(**state), "RED of the nose light")
        press(2306, frames.gear_frame(**state), "RED of the nose light once more")
        state["dimmed"] = 1
        press(2311, frames.gear_frame(**state), "Lights dimmed on")
        self.check(marks([2311]) == [True], "Lights dimmed shows no mark when on")
        state["dimmed"] = 0
        press(2311, frames.gear_frame(**state), "Lights dimmed off")
        state["dimmed"] = 1
        press(2311, frames.gear_frame(**state), "Lights dimmed on again")

        mark = sim.mark()
        self.click_control(tp, 2401)
        self.frames_equal(sim, [frames.hobbs_frame(True)], mark, "hobbs ON")
        self.check(marks([2400, 2401]) == [False, True], "hobbs radios do not show ON")
        # The 5000 ms timer runs from the window's opening: the first repeat comes within 5 s
        # of the click, the next one 5 s after it.
        self.frames_equal(sim, [frames.hobbs_frame(True)] * 3, mark,
                          "hobbs ON and two repeats within 12 s", timeout=12.0)
        times = sim.frame_times()[mark:]
        self.check(4.0 < times[2] - times[1] < 6.5,
                   "the hobbs frame repeated %.1f s after the one before, not 5 s" %
                   (times[2] - times[1]))
        press(2400, frames.hobbs_frame(False), "hobbs OFF")
        mark = sim.mark()
        time.sleep(5.5)
        self.check(sim.frames()[mark:] == [], "frames went out while hobbs was OFF: %s" %
                   sim.frames()[mark:])

        mark = sim.mark()
        self.click_control(tp, 1001)
        self.frames_equal(sim, frames.all_off(), mark, "Clear")
        got = marks([2204, 2302, 2305, 2308, 2311, 2400])
        self.check(got == [False, True, True, True, False, True],
                   "after Clear the marks of Ind. On, the three OFF, Lights dimmed and hobbs "
                   "OFF read %s" % got)

        press(2206, frames.trim_frame(False, 2), "UP after Clear")
        mark = sim.mark()
        self.click_control(tp, 1000)
        status = run.exit_status()
        self.frames_equal(sim, frames.all_off(), mark, "Quit")
        self.check(status == 0, "Quit: the program %s" %
                   ("still runs" if status is None else "ended with %d" % status))

    def test_alt_f4_on_the_test_window_ends_the_run_like_quit(self):
        run, wid, tp = self.open()
        sim = run.sims[5]
        self.click_control(tp, 2401)
        self.frames_equal(sim, [frames.hobbs_frame(True)], 3, "hobbs ON")
        mark = sim.mark()
        xs.key(self.session.env, wid, "alt+F4")
        status = run.exit_status()
        self.frames_equal(sim, frames.all_off(), mark, "Alt+F4 on the test window")
        self.check(status == 0, "Alt+F4 on the test window: the program %s" %
                   ("still runs" if status is None else "ended with %d" % status))


class TestWindowScreen(DesktopCase):

    def decode(self, scenario):
        stream = bytearray()
        with open(scenario) as handle:
            for line in handle:
                words = line.split("#")[0].split()
                stream += bytes(int(word, 16) for word in words[1:])
        path = os.path.join(ARGS.out, "screen_state.bin")
        with open(path, "wb") as out:
            out.write(stream)
        result = subprocess.run([ARGS.decode, path], stdout=subprocess.PIPE, timeout=20,
                                check=True)
        return json.loads(result.stdout)

    def test_screen_shows_the_decoded_state(self):
        scenario = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screen_state.scenario")
        state = self.decode(scenario)
        run = ToolRun(self, scenario=scenario).start()
        wid, tp = self.open_by_double_click(run)
        # The scenario waits a while before its first record: this grab shows the start state.
        first = xs.grab(self.session.env)
        ended_early = [line for line in run.sims[5].lines() if line.startswith("end ")]
        run.sims[5].wait_line("end ", 20.0)
        self.settle(0.5)  # a few poll cycles of 5 ms and the repaint
        final = xs.grab(self.session.env)
        self.check(not ended_early, "the scenario ended before the start state was seen")
        d = tp.dialog
        problems = []

        def picture_at(screen, ctl_id, number):
            x, y, _, _ = tp.rect(d.control(ctl_id))
            return xs.find_picture(screen, self.bitmap(number), x, y, 2)

        def what_is_at(screen, ctl_id):
            for n in range(1, 39):
                if picture_at(screen, ctl_id, n) is not None:
                    return "BILD%d" % n
            return "no picture of the set"

        for label, screen, slots in [("at start", first, [-1] * 47),
                                     ("after the scenario", final, state["slots"])]:
            for slot in sorted(sc.PICTURE_SLOTS):
                ctl, number = sc.slot_picture(slot, slots[slot])
                if picture_at(screen, ctl, number) is None:
                    problems.append("%s: slot %d (value %d) should show BILD%d in control %d; "
                                    "there is %s" % (label, slot, slots[slot], number, ctl,
                                                     what_is_at(screen, ctl)))

        background = final.pixel(tp.left + 2, tp.top + tp.client_h - 2)
        for i in range(6):
            rect = tp.rect(d.control(2506 + i))
            outer, fill = sc.bar_fill(final, rect, background)
            position = sc.bar_position(state, i)
            inner = outer - 2
            chunk = max(0, fill - 2)
            want = position / 127.0 * inner
            if abs(chunk - want) > 2 or (position == 0) != (fill == 0):
                problems.append("bar %d: filled %d of %d px for position %d (want %.1f)" %
                                (2506 + i, chunk, inner, position, want))
            _, start_fill = sc.bar_fill(first, rect, background)
            if start_fill:
                problems.append("bar %d is not empty at start" % (2506 + i))

        # Text: each read-out's ink must be exactly that of its expected text rendered in the
        # dialog font on the read-out's own background (see text_render.cpp).
        texts = sc.expected_readouts(state)
        texts[1002] = state["mainboard"]
        for ctl_id, text in sorted(texts.items()):
            rect = tp.rect(d.control(ctl_id))
            for label, screen, want in (("at start", first, "-"), ("after the scenario", final,
                                                                    text)):
                x, y, w, h = rect
                background = screen.pixel(x + w - 3, y + h - 3)
                if sc.ink(screen, rect) not in self.renderings(want, background):
                    problems.append("%s: read-out %d does not show %r" % (label, ctl_id, want))

        # Module rows: the list was empty at start; after the scenario its text rows, cut at
        # the blank pixel rows between them, show the module lines in order.
        x, y, w, h = tp.rect(d.control(1003))
        inner = (x + 2, y + 2, w - 24, h - 4)
        if self.text_lines(first, inner):
            problems.append("the module list is not empty at start")
        rows = self.text_lines(final, inner)
        background = final.pixel(x + w - 26, y + h - 4)
        want = state["modules"]
        if not min(len(want), 8) <= len(rows) <= len(want):
            problems.append("the module list shows %d text rows for %d modules" %
                            (len(rows), len(want)))
        for i, (row, line) in enumerate(zip(rows, want)):
            if row not in self.renderings(line, background):
                problems.append("module row %d does not show %r" % (i, line))

        if problems:
            for name, screen in (("start", first), ("end", final)):
                path = os.path.join(self.screens.folder,
                                    "%s-%s.png" % (self.id().split(".")[-1], name))
                os.makedirs(self.screens.folder, exist_ok=True)
                screen.save_png(path)
            self.fail("the screen does not show the state the stream gives (screenshots in "
                      "%s):\n  %s" % (self.screens.folder, "\n  ".join(problems)))

    _bitmaps = {}
    _renderings = {}

    def renderings(self, text, background):
        """The ink of text as the dialog font draws it on background, at the start points a
        left-aligned and a centred text can have."""
        key = (text, background)
        if key not in self._renderings:
            out = os.path.join(ARGS.out, "render")
            runtime = os.path.join(ARGS.out, "render-runtime")
            os.makedirs(runtime, mode=0o700, exist_ok=True)
            subprocess.run([ARGS.text_render, "Sans Serif", "8", "%d,%d,%d" % background, out,
                            text], env=dict(self.session.env, QT_QPA_PLATFORM="xcb",
                                            XDG_RUNTIME_DIR=runtime),
                           check=True, timeout=30, stdout=subprocess.DEVNULL)
            inks = []
            for phase in range(3):
                picture = xs.read_ppm("%s-0-%d.ppm" % (out, phase))
                inks.append(sc.ink(picture, (0, 0, picture.width, picture.height)))
            self._renderings[key] = inks
        return self._renderings[key]

    def bitmap(self, number):
        if number not in self._bitmaps:
            self._bitmaps[number] = xs.read_bmp(
                os.path.join(ARGS.source, "resources", "bitmaps", "bild%d.bmp" % number))
        return self._bitmaps[number]

    def text_lines(self, screen, rect):
        """The ink signatures of the text lines in rect, split at blank pixel rows."""
        x, y, w, h = rect
        dark_rows = [any(sc.is_dark(screen.pixel(xx, yy), 384) for xx in range(x, x + w))
                     for yy in range(y, y + h)]
        lines, start = [], None
        for i, dark in enumerate(dark_rows + [False]):
            if dark and start is None:
                start = i
            elif not dark and start is not None:
                lines.append(sc.ink(screen, (x, y + start, w, i - start), shrink=0))
                start = None
        return lines


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for name in ("tool", "panel-sim", "decode", "text-render", "source", "out"):
        parser.add_argument("--" + name, required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.out = os.path.abspath(ARGS.out)
    os.makedirs(ARGS.out, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""FTDI adapters through a real USB stack: one boot of the QEMU guest (rig.py), then assertions
on what the guest printed and what the panel simulators received.

Usage: usbvm_test.py WORK MONITOR SIMULATOR BOOT [unittest arguments]
  WORK       the folder rig.py prepare filled (kernel, initramfs.cpio); console logs go there
  BOOT       two_adapters, ftdi_sio or desktop
"""
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

sys.dont_write_bytecode = True  # nothing written beside the sources
import rig  # noqa: E402

WORK = MONITOR = SIMULATOR = None
HERE = os.path.dirname(os.path.abspath(__file__))
LABEL = "USB - QEMU USB SERIAL"


def events(lines):
    """JSON event lines without their times: what a watch saw, in order (the periodic health
    lines left out: how many come depends on how long a watch ran)."""
    found = []
    for line in lines:
        if line.startswith("{"):
            event = json.loads(line)
            event.pop("t", None)
            if event["event"] != "health":
                found.append(event)
    return found


def host_watch(folder, args):
    """zr8-monitor on the host against a simulator (waiting for the first frame) as COM5."""
    simulator = rig.Simulator(SIMULATOR, os.path.join(folder, "reference"))
    env = dict(os.environ, HOME=folder)
    for n in range(1, 9):
        env["ZR8_COM%d" % n] = ""
    env["ZR8_COM5"] = simulator.link
    try:
        result = subprocess.run([MONITOR, "COM5"] + args, env=env, capture_output=True,
                                text=True, timeout=60)
    finally:
        simulator.stop()
    return result


class BootCase(unittest.TestCase):
    """Boots the guest once for the whole class; the tests read what it left."""

    boot = None
    IMAGE = "initramfs.cpio"

    @classmethod
    def start_simulators(cls, folder):
        raise NotImplementedError

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="usbvm-", dir=WORK)
        cls.adapters = cls.start_simulators(cls.folder)
        try:
            cls.before_boot()
            cls.boot = rig.Boot(WORK, cls.NAME, cls.adapters, cls.MODULES, limit=240,
                                image=cls.IMAGE).run()
        finally:
            cls.logs = {a.ident: a.simulator.stop() for a in cls.adapters}
            cls.after_boot()
        cls.sections = cls.boot.sections()
        print("%s: %.1f s, console in %s" % (cls.NAME, cls.boot.seconds, cls.boot.log_path),
              file=sys.stderr)

    @classmethod
    def before_boot(cls):
        pass

    @classmethod
    def after_boot(cls):
        pass

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def section(self, name):
        self.assertIn(name, self.sections, "the guest did not run %s (console: %s)"
                      % (name, self.boot.log_path))
        return self.sections[name]

    def marks(self, kind):
        return self.boot.marks(kind)

    def test_guest_ran_to_the_end(self):
        self.assertEqual(self.boot.errors, [])
        self.assertTrue(self.boot.finished, "no boot-end on the console: %s" % self.boot.log_path)
        self.assertIn(["adapters", str(len(self.adapters))], [w[:2] for w in self.marks("note")])
        self.assertEqual(self.marks("problem"), [])


class TwoAdapters(BootCase):
    """Two adapters through libftdi: a0 plays the demo once from the first frame on, a1 loops it
    from boot on.

    a0's demo ends in silence: QEMU's chip answers an idle read with a NAK where a real chip
    sends a status packet each latency period, so a reader that dropped what it had gathered
    when a USB read timed out would lose the demo's last bytes here, and the watch its last
    events."""

    NAME = "two_adapters"
    MODULES = ()

    @classmethod
    def start_simulators(cls, folder):
        return [rig.Adapter("a0", 1, rig.Simulator(SIMULATOR, os.path.join(folder, "panel0"),
                                                   [])),
                rig.Adapter("a1", 2, rig.Simulator(SIMULATOR, os.path.join(folder, "panel1"),
                                                   ["--loop", "--start-now"]))]

    @classmethod
    def before_boot(cls):
        # The same watch on the host over a pty, beside the boot: the reference for the demo.
        cls.reference = {}

        def watch():
            cls.reference["result"] = host_watch(
                cls.folder, ["--send", "hobbs off", "--json", "--duration", "12"])

        cls.reference_thread = threading.Thread(target=watch)
        cls.reference_thread.start()

    @classmethod
    def after_boot(cls):
        cls.reference_thread.join(90)

    def test_both_adapters_listed_in_a_stable_order(self):
        expected = ["1  " + LABEL, "2  " + LABEL]
        for name in ["list-1", "list-2", "list-after-replug"]:
            rc, _, lines = self.section(name)
            self.assertEqual((rc, lines), (0, expected), name)

    def test_watch_shows_the_demo_as_a_pty_does(self):
        reference = self.reference["result"]
        self.assertEqual(reference.returncode, 0, reference.stderr)
        expected = events(reference.stdout.splitlines())
        self.assertGreater(len([e for e in expected if e["event"] == "slot"]), 100)
        rc, _, lines = self.section("demo-watch")
        self.assertEqual(rc, 0, lines)
        # The demo, event by event, to its very last one (see the class).
        seen = events(lines)
        for index, (want, got) in enumerate(zip(expected, seen)):
            self.assertEqual(got, want, "event %d" % index)
        self.assertEqual(len(seen), len(expected),
                         "over the adapter the watch saw %d of the demo's %d events; the first "
                         "missing: %s" % (len(seen), len(expected),
                                          expected[len(seen)] if len(seen) < len(expected) else "-"))

    def test_coverage_over_the_adapter_passes(self):
        rc, _, lines = self.section("coverage")
        self.assertEqual(rc, 0, lines)
        self.assertTrue(lines and lines[-1].startswith("PASS: all "), lines)

    def test_sent_frames_reach_that_rows_simulator_byte_for_byte(self):
        def sent(name):
            rc, _, lines = self.section(name)
            self.assertEqual(rc, 0, lines)
            frames = [json.loads(l)["frame"] for l in lines if '"event":"sent"' in l]
            frames += [l.split(": ", 1)[1] for l in lines if l.startswith("sent ")]
            return [f.upper() for f in frames]

        row1 = sent("demo-watch") + sent("send-row-1")
        row2 = sent("send-row-2")
        self.assertEqual(len(row1), 2)
        self.assertEqual(len(row2), 1)
        self.assertEqual(rig.frames_of(self.logs["a0"]), row1)
        self.assertEqual(rig.frames_of(self.logs["a1"]), row2)
        for log in self.logs.values():
            self.assertNotIn("bad-frame", log)
            self.assertNotIn("stray", log)

    def test_unplugged_mid_watch_the_monitor_stays_responsive(self):
        # SIGTERM while the adapter is gone ends the watch at once, cleanly.
        rc, cs, _ = self.section("sigterm-while-unplugged")
        self.assertEqual(rc, 0)
        self.assertLess(cs, 500)
        # A watch with a duration ends at its duration, neither earlier nor hanging on.
        rc, cs, _ = self.section("timed-watch")
        self.assertEqual(rc, 0)
        self.assertGreaterEqual(cs, 1550)
        self.assertLess(cs, 1600 + 1500)
        _, _, lines = self.section("timed-watch-output")
        seen = events(lines)
        self.assertTrue(seen, "the watch saw nothing before the unplug")
        # One session across the unplug: the link lost, restored once plugged back (the same
        # adapter, a1, found by its description and place: both chips share serial number "1"),
        # and the demo's events again after it.
        link = [i for i, e in enumerate(seen) if e["event"] == "link"]
        self.assertEqual([seen[i]["state"] for i in link], ["lost", "restored"], lines)
        self.assertTrue(any(e["event"] == "slot" for e in seen[:link[0]]), lines)
        self.assertTrue(any(e["event"] in ("slot", "module") for e in seen[link[1] + 1:]),
                        "no events after the link was restored: %s" % lines)
        unplugs = [a for a in self.boot.actions if a[0].startswith("device_del")]
        plugs = [a for a in self.boot.actions if a[0].startswith("device_add")]
        self.assertEqual(len(unplugs), 2)
        self.assertEqual(len(plugs), 2)
        # Plugged back, the adapter serves a new watch.
        rc, _, lines = self.section("watch-after-replug")
        self.assertEqual(rc, 0, lines)
        self.assertIn("module", [e["event"] for e in events(lines)])


class FtdiSio(BootCase):
    """One adapter with the kernel's ftdi_sio driver, on a simulator looping a counting pattern."""

    NAME = "ftdi_sio"
    MODULES = ("usbserial", "ftdi_sio")
    PERIOD = 64

    @classmethod
    def start_simulators(cls, folder):
        scenario = os.path.join(HERE, "counting.scenario")
        return [rig.Adapter("a0", 1, rig.Simulator(
            SIMULATOR, os.path.join(folder, "panel0"),
            ["--scenario", scenario, "--loop", "--start-now"]))]

    def sizes(self):
        return {words[0]: int(words[1]) for words in self.marks("size")}

    def test_a_held_tty_is_left_alone_and_keeps_receiving(self):
        rc, _, lines = self.section("held-list")
        self.assertEqual(rc, 0)
        self.assertNotIn(LABEL, "\n".join(lines))
        rc, _, lines = self.section("held-watch")
        self.assertEqual(rc, 2, lines)  # not listed, so no such row
        sizes = self.sizes()
        self.assertGreater(sizes["held-start"], 0)
        self.assertGreater(sizes["held-after-list"], sizes["held-start"])
        self.assertGreater(sizes["held-after-watch"], sizes["held-after-list"])
        self.assertGreater(sizes["held-end"], sizes["held-after-watch"])
        self.assertIn(["holder", "alive"], self.marks("note"))
        # Every byte the session got, in order: none lost or doubled while the tool looked.
        _, _, lines = self.section("held-bytes")
        data = bytes(int(word, 16) for line in lines for word in line.split())
        self.assertGreaterEqual(len(data), sizes["held-end"])  # cat went on until killed
        breaks = [i for i in range(1, len(data)) if data[i] != (data[i - 1] + 1) % self.PERIOD]
        self.assertEqual(breaks[:5], [])

    def test_a_free_adapter_is_taken_from_the_driver_and_given_back(self):
        rc, _, lines = self.section("free-list")
        self.assertEqual((rc, lines), (0, ["1  " + LABEL]))
        tty = {words[0]: words[1:] for words in self.marks("tty")}
        self.assertEqual(tty["while-open"][0], "absent")
        self.assertEqual(tty["after-close"][0], "present")
        rc, _, lines = self.section("free-watch")
        self.assertEqual(rc, 0, lines)
        # The driver's tty works again.
        self.assertGreater(self.sizes()["again"], 0)

    def test_libftdi_service_in_the_guest(self):
        rc, _, lines = self.section("service")
        self.assertEqual(rc, 0, "\n".join(lines))
        started = [line for line in lines if line.startswith("[ RUN      ]")]
        passed = [line for line in lines if line.startswith("[       OK ]")]
        self.assertGreater(len(started), 0, lines)
        self.assertEqual(len(passed), len(started), lines)
        written = [words[0:] for words in self.marks("wrote")]
        self.assertEqual(len(written), 1)
        self.assertEqual(rig.frames_of(self.logs["a0"]), [" ".join(written[0])])
        self.assertEqual([a[0].split()[0] for a in self.boot.actions],
                         ["device_del", "device_add"])


class Desktop(BootCase):
    """The desktop program in the guest on Qt's offscreen platform, over one adapter."""

    NAME = "desktop"
    MODULES = ()
    IMAGE = "initramfs-desktop.cpio"

    @classmethod
    def start_simulators(cls, folder):
        return [rig.Adapter("a0", 1, rig.Simulator(SIMULATOR, os.path.join(folder, "panel0"),
                                                   ["--loop"]))]

    def test_the_program_runs_the_panel_over_the_adapter(self):
        rc, _, lines = self.section("desktop")
        self.assertEqual(rc, 0, lines)
        for window in ["connection-window", "test-window"]:
            self.assertIn("autopilot: saved /tmp/shots/%s.png" % window, lines)
        # The frames it sends right after opening reached the simulator, which then played.
        log = self.logs["a0"]
        self.assertGreaterEqual(len(rig.frames_of(log)), 3, log)
        self.assertNotIn("bad-frame", log)
        self.assertIn("play ", log)
        # The test window's picture, kept in the work folder for a person to look at.
        _, _, lines = self.section("test-window-png")
        picture = base64.b64decode("".join(lines))
        self.assertTrue(picture.startswith(b"\x89PNG"), picture[:8])
        with open(os.path.join(WORK, "desktop-test-window.png"), "wb") as f:
            f.write(picture)


def main():
    global WORK, MONITOR, SIMULATOR
    if len(sys.argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    WORK, MONITOR, SIMULATOR, boot = sys.argv[1:5]
    case = {"two_adapters": TwoAdapters, "ftdi_sio": FtdiSio, "desktop": Desktop}[boot]
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(case)
    verbosity = 2 if "-v" in sys.argv[5:] else 1
    result = unittest.TextTestRunner(verbosity=verbosity).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())

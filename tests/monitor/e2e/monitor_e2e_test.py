#!/usr/bin/env python3
"""zr8-monitor end to end: the built program against the panel simulator over a pty.

Usage: monitor_e2e_test.py MONITOR SIMULATOR DECODE [unittest arguments]
"""
import json
import os
import pty
import select
import subprocess
import sys
import tempfile
import time
import unittest

MONITOR = SIMULATOR = DECODE = None

# The simulator plays this long after it starts, so the monitor has scanned and opened the port
# (opening discards whatever waits on the line) before the first byte.
START_DELAY_MS = 1500


def d(payload):
    return 0x80 | (payload & 0x7F)


class Simulator:
    """zr8-panel-sim on a pty, reachable as COM5."""

    def __init__(self, folder, scenario=None, start_delay_ms=START_DELAY_MS, wait_for_frame=False):
        self.link = os.path.join(folder, "com5")
        self.log_path = os.path.join(folder, "simulator.log")
        args = [SIMULATOR, "--link", self.link]
        if not wait_for_frame:
            args += ["--start-after-ms", str(start_delay_ms)]
        if scenario is not None:
            path = os.path.join(folder, "scenario.txt")
            with open(path, "w") as f:
                f.write(scenario)
            args += ["--scenario", path]
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(args, stdout=self.log, stderr=subprocess.STDOUT)
        for _ in range(100):
            if os.path.exists(self.link):
                break
            time.sleep(0.05)
        else:
            raise AssertionError("the simulator did not make its link")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.log.close()
        with open(self.log_path) as f:
            return f.read()


def environment(folder, link=None):
    env = dict(os.environ)
    env["HOME"] = folder  # no port map of the user's
    for n in range(1, 9):
        env["ZR8_COM%d" % n] = ""  # hide the machine's own ports
    if link is not None:
        env["ZR8_COM5"] = link
    return env


def monitor(args, env, stdin_text=None, timeout=90):
    return subprocess.run([MONITOR] + args, env=env, input=stdin_text, capture_output=True,
                          text=True, timeout=timeout)


class MonitorTest(unittest.TestCase):
    def setUp(self):
        self.folder_holder = tempfile.TemporaryDirectory()
        self.folder = self.folder_holder.name
        self.simulator = None

    def tearDown(self):
        if self.simulator is not None:
            self.simulator.stop()
        self.folder_holder.cleanup()

    def start(self, **kwargs):
        self.simulator = Simulator(self.folder, **kwargs)
        return environment(self.folder, self.simulator.link)

    def run_across_a_gap(self, args, env):
        """Runs the monitor with args while the simulator plays; after 20 coverage lines the
        simulator is killed, and a second after the monitor says link lost a new one starts on
        the same link path. Returns the monitor's lines, exit status and standard error."""
        watch = subprocess.Popen([MONITOR] + args, env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True)
        lines = []
        try:
            while len([l for l in lines if l.startswith("[")]) < 20:
                line = watch.stdout.readline()
                self.assertTrue(line, "the watch ended before the unplug: %s" % lines)
                lines.append(line.rstrip("\n"))
            self.simulator.process.kill()
            self.simulator.stop()
            self.simulator = None
            while "link lost" not in lines[-1]:
                line = watch.stdout.readline()
                self.assertTrue(line, "no link lost: %s" % lines)
                lines.append(line.rstrip("\n"))
            time.sleep(1.0)  # a few tries at reopening find nothing
            self.simulator = Simulator(self.folder)
            out, err = watch.communicate(timeout=90)
        finally:
            if watch.poll() is None:
                watch.kill()
        return lines + out.splitlines(), watch.returncode, err

    def test_list_and_connection_errors(self):
        env = self.start(wait_for_frame=True)
        listed = monitor(["--list"], env)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        self.assertEqual(listed.stdout, "1  COMM - COM5\n")
        for name in ["COM7", "9", "USB - nothing"]:
            result = monitor([name, "--duration", "1"], env)
            self.assertEqual(result.returncode, 2, name)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertIn(name, result.stderr)
        bad = monitor(["COM5", "--speed", "115200"], env)
        self.assertEqual(bad.returncode, 2)
        self.assertIn("--speed", bad.stderr)
        # A port that another copy holds is busy: one line, status 2.
        holder = subprocess.Popen([MONITOR, "COM5", "--duration", "3"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(0.8)
            busy = monitor(["COM5", "--duration", "1"], env)
            self.assertEqual(busy.returncode, 2, busy.stdout)
            self.assertEqual(len(busy.stderr.splitlines()), 1, busy.stderr)
            self.assertIn("in use", busy.stderr)
        finally:
            self.assertEqual(holder.wait(timeout=10), 0)
        nothing = monitor(["--list"], environment(self.folder))
        self.assertEqual(nothing.returncode, 0)
        self.assertEqual(nothing.stdout, "")

    def test_live_events_capture_and_replay(self):
        env = self.start()
        capture = os.path.join(self.folder, "demo.zr8cap")
        live = monitor(["COM5", "--json", "--raw", "--capture", capture, "--duration", "4"], env)
        self.assertEqual(live.returncode, 0, live.stderr)
        events = [json.loads(line) for line in live.stdout.splitlines()]
        # About once a second a health line of the live link; the replay has no live link.
        health = [e for e in events if e["event"] == "health"]
        self.assertGreaterEqual(len(health), 2, live.stdout)
        self.assertTrue(all(h["link"] == "up" for h in health), health)
        self.assertGreater(health[-1]["bytes"], health[0]["bytes"])
        self.assertEqual(health[-1]["dropped"], 0)
        events = [e for e in events if e["event"] != "health"]
        live_events = "".join(line + "\n" for line in live.stdout.splitlines()
                              if '"event":"health"' not in line)
        modules = [(e["type"], e["version"], e["name"]) for e in events if e["event"] == "module"]
        self.assertIn((16, 3, "ORVAN ZR8 Kestrel Modul 1"), modules)
        self.assertIn((50, 1, "Unknown I2C Device"), modules)
        self.assertEqual(len(modules), 9)
        mainboard = [e["text"] for e in events if e["event"] == "mainboard"]
        self.assertTrue(mainboard and "17A" in mainboard[-1], mainboard)
        batt = [e for e in events if e["event"] == "slot" and e["slot"] == 0]
        self.assertEqual(batt[0]["group"], "Single - Panel 1")
        self.assertEqual(batt[0]["label"], "BATT MASTER")
        self.assertEqual((batt[0]["oldText"], batt[0]["newText"]), ("-", "down"))
        self.assertEqual((batt[1]["oldText"], batt[1]["newText"]), ("down", "up"))
        self.assertEqual(batt[1]["raw"], "12 80 81")
        self.assertTrue(all("raw" in e for e in events))

        # The capture replays to the same events, at once with --fast.
        started = time.monotonic()
        replay = monitor(["--replay", capture, "--fast", "--json", "--raw"], env)
        self.assertEqual(replay.returncode, 0, replay.stderr)
        self.assertLess(time.monotonic() - started, 3.5)
        self.assertEqual(replay.stdout, live_events)

        # Text lines for a person, and zr8-decode reads the same capture.
        text = monitor(["--replay", capture, "--fast"], env)
        self.assertIn("Single - Panel 1 / BATT MASTER: down -> up", text.stdout)
        self.assertIn("module: ORVAN ZR8 Trim Modul (type 24), version 4", text.stdout)
        decoded = subprocess.run([DECODE, capture], capture_output=True, text=True)
        self.assertEqual(decoded.returncode, 0, decoded.stderr)
        self.assertEqual(json.loads(decoded.stdout)["mainboard"], mainboard[-1])

        # A capture cut short: the events before the cut, then an error naming the offset.
        with open(capture, "rb") as f:
            data = f.read()
        cut = os.path.join(self.folder, "cut.zr8cap")
        with open(cut, "wb") as f:
            f.write(data[: len(data) - 3])
        broken = monitor(["--replay", cut, "--fast"], env)
        self.assertEqual(broken.returncode, 2)
        self.assertIn("offset", broken.stderr)
        self.assertIn("BATT MASTER", broken.stdout)
        not_capture = monitor(["--replay", self.simulator.log_path], env)
        self.assertEqual(not_capture.returncode, 2)
        self.assertIn("offset 0", not_capture.stderr)

    def test_send_and_output_test(self):
        env = self.start(wait_for_frame=True)
        sent = monitor(["COM5", "--send", "trim on 12", "--send",
                        "gear nose=green left=red dimmed", "--send", "hobbs on"], env)
        self.assertEqual(sent.returncode, 0, sent.stderr)
        frames = [line.split(": ", 1)[1].upper() for line in sent.stdout.splitlines()]
        self.assertEqual(len(frames), 3, sent.stdout)
        typo = monitor(["COM5", "--send", "trim on 21"], env)
        self.assertEqual(typo.returncode, 2)
        self.assertIn("21", typo.stderr)

        answers = "y\n" * 10 + "n\n" + "y\n" * 40
        tested = monitor(["COM5", "--output-test"], env, stdin_text=answers)
        self.assertEqual(tested.returncode, 1, tested.stderr)  # one step answered n
        self.assertIn("left gear light red", tested.stdout)
        time.sleep(0.5)
        log = self.simulator.stop()
        self.simulator = None
        received = [line.split()[1:12] for line in log.splitlines() if line.startswith("frame ")]
        received = [" ".join(frame) for frame in received]
        for frame in frames:
            self.assertIn(frame, received)
        self.assertNotIn("bad-frame", log)
        # 3 sends, then the output test's 34 steps and the frames that switch everything off.
        self.assertGreaterEqual(len(received), 3 + 34)

    def test_coverage_passes_on_the_demo_with_a_report(self):
        env = self.start()
        report = os.path.join(self.folder, "eol.json")
        result = monitor(["COM5", "--coverage", "--timeout", "60", "--report", report], env)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertTrue(result.stdout.splitlines()[-1].startswith("PASS"), result.stdout)
        self.assertIn("Single - Panel 1 / BATT MASTER: up", result.stdout)
        with open(report) as f:
            data = json.load(f)
        self.assertIn("17A", json.dumps(data))
        with open(os.path.join(self.folder, "eol.html")) as f:
            page = f.read()
        self.assertIn("PASS", page)
        self.assertIn("ORVAN ZR8 Kestrel Modul 1", page)

    def test_one_session_across_the_panel_going_away_and_coming_back(self):
        # The simulator is killed mid-demo and a new one takes the same link path: the monitor
        # says so, opens COM5 again, and the coverage completes across the gap.
        self.start()
        env = environment(self.folder, self.simulator.link)
        report = os.path.join(self.folder, "eol.json")
        capture = os.path.join(self.folder, "gap.zr8cap")
        lines, status, err = self.run_across_a_gap(
            ["COM5", "--coverage", "--timeout", "60", "--report", report, "--capture", capture],
            env)
        self.assertEqual(status, 0, "\n".join(lines) + err)
        self.assertTrue(lines[-1].startswith("PASS"), lines[-1])
        link = [(l.split()[0], " ".join(l.split()[1:])) for l in lines if " link " in l]
        self.assertEqual([state for _, state in link], ["link lost", "link restored"], lines)
        lost, restored = float(link[0][0]), float(link[1][0])
        self.assertGreaterEqual(restored - lost, 1.0)
        self.assertNotIn("\r", "\n".join(lines))  # no status line on a pipe

        with open(report) as f:
            data = json.load(f)
        self.assertEqual([e["state"] for e in data["link"]["events"]], ["lost", "restored"])
        self.assertAlmostEqual(data["link"]["events"][0]["t"], lost, places=2)
        self.assertIsNone(data["link"]["adapter"])
        health = data["link"]["health"]
        self.assertGreater(health["records"], 100)
        self.assertGreater(health["bytes"], health["records"])
        self.assertEqual(health["dropped"], 0)
        # What was seen before the gap counts: the coverage spans both panels' runs.
        seen = [i["firstSeenSeconds"] for i in data["coverage"]["items"] if i["seen"]]
        self.assertTrue(any(t < lost for t in seen) and any(t > restored for t in seen))
        self.assertTrue(data["passed"])
        with open(os.path.join(self.folder, "eol.html")) as f:
            self.assertIn("Records cut off", f.read())

        # The capture holds both link records: the replay prints the same lines.
        replay = monitor(["--replay", capture, "--fast", "--coverage"], env)
        self.assertEqual(replay.returncode, 0, replay.stderr)
        self.assertEqual(replay.stdout.splitlines()[:-1], lines[:-1])
        self.assertTrue(replay.stdout.splitlines()[-1].startswith("PASS"))
        decoded = subprocess.run([DECODE, capture], capture_output=True, text=True)
        self.assertEqual(decoded.returncode, 0, decoded.stderr)
        self.assertEqual(json.loads(decoded.stdout)["mainboard"], "17A-3-5")

    def test_status_line_updates_in_place_on_a_terminal_only(self):
        env = self.start()
        master, slave = pty.openpty()
        watch = subprocess.Popen([MONITOR, "COM5", "--duration", "4"], env=env, stdout=slave,
                                 stderr=subprocess.DEVNULL)
        os.close(slave)
        seen = b""
        while True:
            ready, _, _ = select.select([master], [], [], 10)
            if not ready:
                break
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal's other side closed
                break
            if not chunk:
                break
            seen += chunk
        os.close(master)
        self.assertEqual(watch.wait(timeout=10), 0)
        text = seen.decode("ascii", "replace")
        updates = text.count("\rlink up: ")
        self.assertGreaterEqual(updates, 2, text)
        self.assertIn("\x1b[K", text)
        # Every event line starts clean: the status line is erased before it.
        for line in text.replace("\r\n", "\n").split("\n"):
            if "BATT MASTER" in line:
                tail = line.rsplit("\r\x1b[K", 1)[-1]
                self.assertTrue(tail.startswith(" ") and "BATT MASTER" in tail, repr(line))
                self.assertNotIn("link up", tail)
        # On a pipe: none of it.
        piped = monitor(["COM5", "--duration", "2"], env)
        self.assertNotIn("\r", piped.stdout)
        self.assertNotIn("link up", piped.stdout)

    def test_coverage_fails_with_the_missing_positions_named(self):
        # Single panel 1 announces itself and moves only its first switch up and back down.
        scenario = "0 70 92 82\n20 12 80 80 80\n20 12 80 81 80\n20 12 80 80 80\n"
        env = self.start(scenario=scenario)
        result = monitor(["COM5", "--coverage", "--timeout", "4"], env)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        tail = result.stdout[result.stdout.index("FAIL"):]
        self.assertIn("Single - Panel 1 / ALTERNATOR: up", tail)
        self.assertIn("Single - Panel 1 / FUEL PUMP: up", tail)
        self.assertNotIn("BATT MASTER", tail)
        self.assertNotIn("Twin - Panel 1", result.stdout)  # never announced, never required


if __name__ == "__main__":
    MONITOR, SIMULATOR, DECODE = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:])

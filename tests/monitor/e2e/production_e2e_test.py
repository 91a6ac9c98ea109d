#!/usr/bin/env python3
"""zr8-monitor's production run end to end: the expected panel profile, the production record
in the report folder, and the JUnit file, against the panel simulator over a pty.

Usage: production_e2e_test.py MONITOR SIMULATOR DECODE DEMO_PROFILE [unittest arguments]
"""
import json
import os
import sys
import xml.etree.ElementTree as ElementTree
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import monitor_e2e_test as base  # noqa: E402  (the simulator and the monitor's runner)

DEMO_PROFILE = None


def junit(path):
    """The JUnit file read by a strict XML parser: its test cases and properties."""
    root = ElementTree.parse(path).getroot()
    suites = root.findall("testsuite")
    assert root.tag == "testsuites" and len(suites) == 1, root.tag
    suite = suites[0]
    properties = {p.get("name"): p.get("value") for p in suite.find("properties")}
    cases = suite.findall("testcase")
    assert int(suite.get("tests")) == len(cases)
    failed = [c for c in cases if c.find("failure") is not None]
    assert int(suite.get("failures")) == len(failed)
    return cases, failed, properties


class ProductionTest(unittest.TestCase):
    # The simulator in a folder of its own, as the monitor's own end-to-end cases run it.
    setUp = base.MonitorTest.setUp
    tearDown = base.MonitorTest.tearDown
    start = base.MonitorTest.start
    run_across_a_gap = base.MonitorTest.run_across_a_gap

    def write(self, name, text, mode="w"):
        path = os.path.join(self.folder, name)
        with open(path, mode) as f:
            f.write(text)
        return path

    def restart(self, **kwargs):
        if self.simulator is not None:
            self.simulator.stop()
        return self.start(**kwargs)

    def reports(self, folder):
        return sorted(name for name in os.listdir(folder) if name.endswith(".json"))

    def test_demo_passes_with_its_profile_then_a_retest_fails_on_module_98(self):
        env = self.start()
        out = os.path.join(self.folder, "reports")
        first_junit = os.path.join(self.folder, "first.xml")
        record = ["--unit", "ZR8-0042", "--operator", "A. Berg", "--station", "Bench 2",
                  "--report-dir", out]
        passed = base.monitor(["COM5", "--coverage", "--timeout", "60", "--profile", DEMO_PROFILE,
                               "--junit", first_junit] + record, env)
        self.assertEqual(passed.returncode, 0, passed.stdout + passed.stderr)
        self.assertRegex(passed.stdout.splitlines()[-1],
                         r'^PASS: all 112 items met in .* s \(9 modules of profile '
                         r'"Panel simulator demo", 103 values\)$')
        [name] = self.reports(out)
        self.assertRegex(name, r"^ZR8-0042-\d{8}-\d{6}\.json$")
        self.assertTrue(os.path.exists(os.path.join(out, name[:-5] + ".html")))
        with open(os.path.join(out, name)) as f:
            report = json.load(f)
        version = base.monitor(["--version"], env).stdout.split()[-1]
        self.assertEqual((report["unit"], report["operator"], report["station"]),
                         ("ZR8-0042", "A. Berg", "Bench 2"))
        self.assertEqual((report["attempt"], report["retest"], report["passed"]), (1, False, True))
        self.assertEqual(report["toolVersion"], version)
        self.assertEqual(report["connection"], "COMM - COM5")
        self.assertLessEqual(report["startedAt"], report["endedAt"])
        self.assertEqual(report["profile"]["name"], "Panel simulator demo")
        self.assertEqual([m["outcome"] for m in report["profile"]["modules"]], ["pass"] * 9)
        self.assertTrue(all(i["outcome"] == "pass" for i in report["coverage"]["items"]))
        cases, failed, properties = junit(first_junit)
        self.assertEqual((len(cases), failed), (112, []))
        self.assertEqual((properties["unit"], properties["attempt"], properties["retest"]),
                         ("ZR8-0042", "1", "false"))

        # The same unit again, against a profile that asks module 98 for a version above the
        # demo's: a retest, and it fails on that module alone.
        with open(DEMO_PROFILE) as f:
            stricter = f.read().replace("module 98 min-version 5", "module 98 min-version 6")
        profile = self.write("stricter.profile", stricter)
        env = self.restart()
        second_junit = os.path.join(self.folder, "second.xml")
        failed_run = base.monitor(["COM5", "--coverage", "--timeout", "14", "--profile", profile,
                                   "--junit", second_junit] + record, env)
        self.assertEqual(failed_run.returncode, 1, failed_run.stdout + failed_run.stderr)
        tail = failed_run.stdout[failed_run.stdout.index("FAIL"):].splitlines()
        self.assertEqual(tail[0][:15], "FAIL: 1 of 112 ")
        self.assertEqual(tail[1:], ["  module 98 ORVAN ZR8 PowerQuadrant Modul, version 6 or "
                                    "later: announced version 5"])
        names = self.reports(out)
        self.assertEqual(len(names), 2)
        with open(os.path.join(out, names[1])) as f:
            report = json.load(f)
        self.assertEqual((report["attempt"], report["retest"], report["passed"]), (2, True, False))
        bad = [m for m in report["profile"]["modules"] if not m["passed"]]
        self.assertEqual([(m["type"], m["outcome"], m["version"], m["minVersion"]) for m in bad],
                         [(98, "outdated", 5, 6)])
        with open(os.path.join(out, names[1][:-5] + ".html")) as f:
            self.assertIn("2 (retest)", f.read())
        cases, failed, properties = junit(second_junit)
        self.assertEqual(len(cases), 112)
        self.assertEqual([c.get("name") for c in failed],
                         ["module 98 ORVAN ZR8 PowerQuadrant Modul, version 6 or later"])
        self.assertEqual(failed[0].find("failure").get("type"), "outdated")
        self.assertEqual((properties["attempt"], properties["retest"]), ("2", "true"))

    def test_a_station_run_across_an_unplug_is_one_record(self):
        # The end-of-line run as a station makes it: the demo profile, the production record,
        # the report folder and JUnit; the simulator is stopped mid-demo and a new one starts on
        # the same link. One run, one report: both link events, the health counts, a pass.
        env = self.start()
        out = os.path.join(self.folder, "reports")
        junit_path = os.path.join(self.folder, "station.xml")
        capture = os.path.join(self.folder, "station.zr8cap")
        lines, status, err = self.run_across_a_gap(
            ["COM5", "--coverage", "--timeout", "60", "--profile", DEMO_PROFILE,
             "--unit", "ZR8-0077", "--operator", "C. Dahl", "--station", "EOL 1",
             "--report-dir", out, "--junit", junit_path, "--capture", capture], env)
        self.assertEqual(status, 0, "\n".join(lines) + err)
        self.assertEqual([l.split(None, 1)[1] for l in lines if l.endswith(("link lost",
                                                                             "link restored"))],
                         ["link lost", "link restored"])
        self.assertTrue(lines[-1].startswith("PASS: all 112 items met"), lines[-1])
        [name] = self.reports(out)
        with open(os.path.join(out, name)) as f:
            report = json.load(f)
        self.assertEqual((report["unit"], report["operator"], report["station"]),
                         ("ZR8-0077", "C. Dahl", "EOL 1"))
        self.assertEqual((report["attempt"], report["retest"], report["passed"]), (1, False, True))
        self.assertEqual([e["state"] for e in report["link"]["events"]], ["lost", "restored"])
        health = report["link"]["health"]
        self.assertGreater(health["records"], 100)
        self.assertGreater(health["bytes"], health["records"])
        for count in ("dropped", "cutOff", "bytesPerSecond"):
            self.assertIn(count, health)
        cases, failed, properties = junit(junit_path)
        self.assertEqual((len(cases), failed), (112, []))
        self.assertEqual((properties["unit"], properties["attempt"]), ("ZR8-0077", "1"))
        # The JSON verdict counts the profile's module items as the text verdict does.
        replay = base.monitor(["--replay", capture, "--fast", "--coverage", "--profile",
                               DEMO_PROFILE, "--json"], env)
        verdict = json.loads(replay.stdout.splitlines()[-1])
        self.assertEqual((verdict["result"], verdict["seen"], verdict["required"]),
                         ("PASS", 112, 112), replay.stdout[-500:])

    def test_hostile_text_keeps_the_junit_file_well_formed(self):
        # Single panel 1 announces itself; the mainboard names itself with markup and a control
        # character; module 98 of the profile never comes.
        scenario = "0 70 92 82\n20 78 91 BC 85 83 81\n20 12 80 81 80\n"
        env = self.start(scenario=scenario)
        profile = self.write("hostile.profile",
                             b'name <Bench & "B"> \xc3\xa9\'\nmodule 18\nmodule 98\n', "wb")
        out = os.path.join(self.folder, "reports")
        result_path = os.path.join(self.folder, "run.xml")
        serial = "../U<1>&\"'"
        result = base.monitor(["COM5", "--coverage", "--timeout", "3", "--profile", profile,
                               "--ask-unit", "--operator", "O'Neil <&>", "--report-dir", out,
                               "--junit", result_path], env, stdin_text=serial + "\n")
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertNotIn("Unit serial", result.stdout + result.stderr)  # no terminal, no prompt
        cases, failed, properties = junit(result_path)
        self.assertEqual(properties["unit"], serial)
        self.assertEqual(properties["operator"], "O'Neil <&>")
        self.assertEqual(properties["profile"], '<Bench & "B"> \u00c3\u00a9\'')
        self.assertEqual(properties["mainboard"], "17<-3\\x01-5")
        failed_names = [c.get("name") for c in failed]
        self.assertIn("module 98 ORVAN ZR8 PowerQuadrant Modul", failed_names)
        self.assertIn("up", failed_names)  # single panel 1's other switches
        self.assertEqual(failed[0].find("failure").get("message"), "did not announce itself")
        # The serial reaches the file name only in its safe form.
        self.assertEqual(os.listdir(self.folder).count("U<1>&\"'"), 0)
        [name] = self.reports(out)
        self.assertRegex(name, r"^___U_1____-\d{8}-\d{6}\.json$")
        with open(os.path.join(out, name)) as f:
            self.assertEqual(json.load(f)["unit"], serial)

    def test_bad_profile_or_unit_stops_before_any_port(self):
        # No simulator: a run that got as far as the ports would say that COM5 is not there.
        env = base.environment(self.folder)
        for text, where in [("module 16\nmodul 17\n", ":2: "), ("module 200\n", ":1: "),
                            ("module 16\nmodule 16\n", ":2: "), ("name x\n", ":1: ")]:
            profile = self.write("bad.profile", text)
            result = base.monitor(["COM5", "--coverage", "--profile", profile], env)
            self.assertEqual(result.returncode, 2, text)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertIn(profile + where, result.stderr)
        missing = base.monitor(["COM5", "--coverage", "--profile", "nowhere.profile"], env)
        self.assertEqual(missing.returncode, 2)
        self.assertIn("nowhere.profile", missing.stderr)
        for stdin_text, says in [("", "end of input"), ("\n", "empty"), ("  \r\n", "empty"),
                                 ("A" * 65 + "\n", "longer than 64")]:
            result = base.monitor(["COM5", "--ask-unit", "--duration", "1"], env,
                                  stdin_text=stdin_text)
            self.assertEqual(result.returncode, 2, stdin_text)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertIn(says, result.stderr)
        for args, says in [(["--report-dir", "out"], "--unit"),
                           (["--profile", DEMO_PROFILE], "--coverage"),
                           (["--unit", "A", "--ask-unit"], "not both"),
                           (["--unit", "  "], "empty")]:
            result = base.monitor(["COM5"] + args, env)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(says, result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.folder, "out")))


if __name__ == "__main__":
    base.MONITOR, base.SIMULATOR, base.DECODE, DEMO_PROFILE = sys.argv[1:5]
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:])

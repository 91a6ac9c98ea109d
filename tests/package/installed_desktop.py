#!/usr/bin/env python3
"""The installed desktop program as a technician uses it, on a real X server (Xvfb with
openbox): a click on the simulator's row and on OK opens the test window and sends the three
all-off frames; a click on Quit sends them again and ends the program with status 0. A
screenshot of the test window is kept.

  installed_desktop.py --tool /usr/bin/zr8-test-tool --panel-sim /usr/bin/zr8-panel-sim
                       --source REPO --work DIR
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))

import output_frames as frames  # noqa: E402
import xsession as xs  # noqa: E402

CONNECTION_TITLE = "ORVAN Connection Selection"
TEST_TITLE = "ORVAN ZR8 Test Tool - COMM - COM5"
CONNECTION_LIST, CONNECTION_OK, TEST_QUIT = 502, 501, 1000


def placer(env, dialog, wid):
    return xs.DialogPlacer(dialog, xs.window_geometry(env, wid))


def main():
    parser = argparse.ArgumentParser()
    for name in ("tool", "panel-sim", "source", "work"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    layout = xs.dialog_layout(os.path.join(args.source, "resources", "dialogs.rc"))

    with xs.XSession(os.path.join(args.work, "xsession")) as session:
        env = dict(session.env)
        runtime = os.path.join(args.work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env.update({"XDG_RUNTIME_DIR": runtime, "QT_QPA_PLATFORM": "xcb",
                    "QT_SCALE_FACTOR": "1"})
        for n in range(1, 9):
            env["ZR8_COM%d" % n] = ""
        link = os.path.join(args.work, "com5")
        sim = xs.Simulator(args.panel_sim, args.work, link)
        env["ZR8_COM5"] = link
        log = open(os.path.join(args.work, "tool.log"), "wb")
        tool = subprocess.Popen([args.tool], env=env, stdout=log, stderr=subprocess.STDOUT)
        try:
            conn = placer(env, layout["CONNECTIONWINZR8"],
                          xs.find_window(env, CONNECTION_TITLE, 20.0))
            time.sleep(0.3)
            x, y, w, _ = conn.rect(conn.dialog.control(CONNECTION_LIST))
            xs.click(env, x + int(w * 0.3), y + 8)  # the one row: "COMM - COM5"
            time.sleep(0.3)
            xs.click(env, *conn.point(conn.dialog.control(CONNECTION_OK)))
            test = placer(env, layout["SERIALWINZR8"], xs.find_window(env, TEST_TITLE, 10.0))
            sim.wait_frames(frames.all_off(), 5.0)
            time.sleep(1.0)
            xs.Screens(args.work).shoot(env, "installed-test-window")
            mark = sim.mark()
            xs.click(env, *test.point(test.dialog.control(TEST_QUIT)))
            status = tool.wait(10)
            if status != 0:
                raise AssertionError("the installed program ended with status %d after Quit" % status)
            sim.wait_frames(frames.all_off(), 5.0, since=mark)
        finally:
            if tool.poll() is None:
                tool.kill()
                tool.wait(5)
            log.close()
            sim.stop()
    print("the installed program: row, OK, the test window, Quit: all frames as expected")


if __name__ == "__main__":
    try:
        main()
    except (AssertionError, xs.WaitTimeout) as error:
        print("FAIL: %s" % error)
        sys.exit(1)

#!/usr/bin/env bash
# Sets up what is missing, builds, starts the panel simulator as COM5 and starts the tool.
# With a display the technician picks "COMM - COM5" and watches the demo. Without one the tool's
# build with an autopilot (zr8-test-tool-autopilot, the same program, not shipped) runs on Qt's
# offscreen platform, picks the simulator itself, presses OK, lets the demo play, saves
# screenshots of both windows and quits; the frames the simulator received are printed.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target zr8-test-tool zr8-test-tool-autopilot zr8-panel-sim

work=$(mktemp -d)
screenshots=${ZR8_SCREENSHOTS:-$PWD/build/screenshots}
simulator_pid=""
cleanup() {
    [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null && wait "$simulator_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

build/linux/tools/panel-sim/zr8-panel-sim --link "$work/com5" --loop >"$work/simulator.log" 2>&1 &
simulator_pid=$!
for _ in $(seq 50); do
    [ -e "$work/com5" ] && break
    sleep 0.1
done
[ -e "$work/com5" ] || { echo "the panel simulator did not start:"; cat "$work/simulator.log"; exit 1; }

export ZR8_COM5="$work/com5"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "The simulator is COM5: pick \"COMM - COM5\" in the connection window and press OK."
    build/linux/app/qt/zr8-test-tool
else
    echo "No display: the tool picks the simulator by itself; screenshots go to $screenshots"
    QT_QPA_PLATFORM=offscreen ZR8_AUTOPILOT="$screenshots" ZR8_AUTOPILOT_ROW="COMM - COM5" \
        build/linux/tools/autopilot/zr8-test-tool-autopilot
fi
echo "Frames the simulator received:"
grep -E '^(frame|bad-frame|stray)' "$work/simulator.log" || echo "(none)"

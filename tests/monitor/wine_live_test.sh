#!/usr/bin/env bash
# The Windows console monitor on a live port under Wine: the panel simulator's pty mapped as COM6
# of the test's private prefix. The monitor sends a frame (the simulator starts playing when it
# sees the first good one), then watches the modules announce themselves.
# Usage: wine_live_test.sh WINE_RUN MONITOR_EXE SIMULATOR WINEPREFIX
set -u
wine_run=$1
monitor=$2
simulator=$3
prefix=$4

if [ ! -x "$simulator" ]; then
    echo "panel simulator missing: $simulator" >&2
    echo "build it first: cmake --preset linux && cmake --build --preset linux --target zr8-panel-sim" >&2
    exit 1
fi

work=$(mktemp -d)
link="$prefix/dosdevices/com6"
simulator_pid=""
cleanup() {
    [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null && wait "$simulator_pid" 2>/dev/null
    rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT

printf '0 70 90 83\n5 70 92 82\n5 70 E3 82\n5 12 80 81 80\n' >"$work/panel.scenario"
"$simulator" --link "$work/panel" --scenario "$work/panel.scenario" >"$work/panel.out" 2>&1 &
simulator_pid=$!
for _ in $(seq 50); do
    [ -e "$work/panel" ] && break
    sleep 0.1
done
[ -e "$work/panel" ] || { echo "the simulator made no pty" >&2; cat "$work/panel.out" >&2; exit 1; }
[ -d "$prefix/dosdevices" ] || "$wine_run" cmd /c exit 0 >/dev/null 2>&1
ln -sfn "$(readlink -f "$work/panel")" "$link"

status=0
listed=$(timeout 60 "$wine_run" "$monitor" --list 2>/dev/null | tr -d '\r')
if ! grep -q '^[0-9]*  COMM - COM6$' <<<"$listed"; then
    echo "--list did not show COM6:" >&2
    echo "$listed" >&2
    status=1
fi

out=$(timeout 60 "$wine_run" "$monitor" COM6 --send "hobbs off" --duration 3 2>"$work/monitor.err" | tr -d '\r')
expected=(
    "sent hobbs off: 78 09 61 00 37 02 00 00 00 00 2d"
    "module: ORVAN ZR8 Kestrel Modul 1 (type 16), version 3"
    "module: ORVAN ZR8 Swift Modul 1 (type 18), version 2"
    "module: ORVAN ZR8 LDG Gear Modul (type 99), version 2"
    "Single - Panel 1 / BATT MASTER: - -> up"
)
for line in "${expected[@]}"; do
    if ! grep -qF -- "$line" <<<"$out"; then
        echo "missing from the monitor's output: $line" >&2
        status=1
    fi
done
if ! grep -q '^frame 78 09 61 00 37 02 00 00 00 00 2D' "$work/panel.out"; then
    echo "the simulator did not receive the hobbs frame" >&2
    status=1
fi
if [ "$status" -ne 0 ]; then
    echo "--- monitor output:" >&2
    echo "$out" >&2
    cat "$work/monitor.err" >&2
fi
exit "$status"

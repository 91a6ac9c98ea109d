#!/usr/bin/env bash
# Serial ports for real under Wine: two panel simulator ptys mapped as COM7 and COM8 of the
# test's private Wine prefix, then the Windows test program probes, opens, writes and reads them.
# Usage: serial_pty_test.sh WINE_RUN TEST_EXE SIMULATOR WINEPREFIX
set -u
wine_run=$1
test_exe=$2
simulator=$3
prefix=$4
panel_port=7
spare_port=8

if [ ! -x "$simulator" ]; then
    echo "panel simulator missing: $simulator" >&2
    echo "build it first: cmake --preset linux && cmake --build --preset linux --target zr8-panel-sim" >&2
    exit 1
fi

work=$(mktemp -d)
pids=()
links=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    for link in "${links[@]}"; do
        rm -f "$link"
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
    local tries=$2
    until eval "$1"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# The panel announces three modules once the first good frame came from the program.
printf '0 70 90 83\n5 70 92 82\n5 70 E3 82\n' >"$work/identity.scenario"
"$simulator" --link "$work/panel" --scenario "$work/identity.scenario" --exit-on-hangup \
    >"$work/panel.out" 2>"$work/panel.err" &
pids+=($!)
panel_pid=$!
"$simulator" --link "$work/spare" >"$work/spare.out" 2>&1 &
pids+=($!)
if ! wait_for '[ -e "$work/panel" ] && [ -e "$work/spare" ]' 50; then
    echo "the simulator made no pty" >&2
    cat "$work/panel.err" >&2
    exit 1
fi

# Wine maps COM5..COM8 only through links we make in the prefix (COM5 is the GUI test's).
[ -d "$prefix/dosdevices" ] || "$wine_run" cmd /c exit 0 >/dev/null 2>&1
if [ ! -d "$prefix/dosdevices" ]; then
    echo "no Wine prefix at $prefix" >&2
    exit 1
fi
for pair in "$panel_port:$work/panel" "$spare_port:$work/spare"; do
    link="$prefix/dosdevices/com${pair%%:*}"
    ln -sfn "$(readlink -f "${pair#*:}")" "$link"
    links+=("$link")
done

ZR8_PANEL_PORT=$panel_port ZR8_SPARE_PORT=$spare_port timeout 60 "$wine_run" "$test_exe"
status=$?
if [ "$status" -ne 0 ]; then
    echo "test program failed with status $status" >&2
fi

# The simulator leaves on its own once the program has closed the port after its frames.
if ! wait_for '! kill -0 "$panel_pid" 2>/dev/null' 30; then
    echo "the simulator did not see the port closed" >&2
    status=1
fi
expected=$'frame 78 09 18 00 18 59 00 00 00 00 8E\nframe 78 09 63 00 2F 20 00 00 00 00 FC\nframe 78 09 61 00 37 02 00 00 00 00 2D'
frames=$(grep '^frame ' "$work/panel.out" | cut -d' ' -f1-12)
if [ "$frames" != "$expected" ]; then
    echo "the simulator received other frames than the three off frames:" >&2
    cat "$work/panel.out" >&2
    status=1
fi
if ! grep -q '^hangup' "$work/panel.out"; then
    echo "the simulator saw no hang-up after the frames" >&2
    status=1
fi
exit "$status"

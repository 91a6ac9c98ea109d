#!/usr/bin/env bash
# GUI smoke test of the Windows program under Wine and Xvfb: the connection window with its
# controls, a second start that brings the first copy forward (minimized, or behind another
# window), OK on COM5 (a pty of the panel simulator) into the test window with its three opening
# frames, and Quit with the three all-off frames.
#
# Usage: gui_smoke.sh WINE_RUN TOOL_EXE DRIVER_EXE PANEL_SIM WINEPREFIX [SCREENSHOT_DIR]
# With SCREENSHOT_DIR, both windows are also written there as BMP files (bmp_to_png.py turns them
# into the pictures in docs/).
set -u

wine_run=$1 tool=$2 driver=$3 panel_sim=$4 prefix=$5 shots=${6:-}
port=com5

log() { echo "gui_smoke: $*"; }
die() {
    echo "gui_smoke: FAILED: $*" >&2
    exit 1
}

if [ ! -x "$panel_sim" ]; then
    die "no panel simulator at $panel_sim: build it with 'cmake --preset linux && cmake --build --preset linux --target zr8-panel-sim'"
fi
for program in Xvfb wineserver; do
    command -v "$program" >/dev/null || die "$program is not installed (scripts/setup.sh)"
done

work=$(mktemp -d)
xvfb_pid='' sim_pid='' tool_pid='' saved_link='' undecorated=''
device_link="$prefix/dosdevices/$port"

# Every wait below is bounded; this ends whatever is still running, whatever happened.
cleanup() {
    for pid in $tool_pid $sim_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $tool_pid $sim_pid; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
    done
    # The prefix is shared: the desktop suite wants the window manager's title bars.
    if [ -n "$undecorated" ]; then
        "$wine_run" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1
    fi
    # This prefix's server only: the desktop process of this display goes with it.
    WINEPREFIX=$prefix wineserver -k 2>/dev/null
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -f "$device_link"
    if [ -n "$saved_link" ]; then
        ln -s "$saved_link" "$device_link"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# A display nobody uses.
display=''
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || die "no free X display between :90 and :140"
Xvfb ":$display" -nolisten tcp -screen 0 1600x1200x24 >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[ -e "/tmp/.X11-unix/X$display" ] || die "Xvfb :$display did not come up"
export DISPLAY=":$display"
log "Xvfb on :$display"

# A server of this prefix that an earlier test started has no display: start afresh on ours.
WINEPREFIX=$prefix wineserver -k 2>/dev/null

# The simulator's pty as COM5 of the prefix (a link that was there is put back at the end).
mkdir -p "$prefix/dosdevices"
if [ -L "$device_link" ]; then
    saved_link=$(readlink "$device_link")
    rm -f "$device_link"
fi
"$panel_sim" --link "$work/$port" >"$work/sim.log" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 50); do
    [ -e "$work/$port" ] && break
    sleep 0.1
done
[ -e "$work/$port" ] || die "the simulator made no pty: $(cat "$work/sim.err")"
ln -s "$work/$port" "$device_link"

drive() {
    "$wine_run" "$driver" "$@" || die "driver: $*"
}

# Waits up to 20 s for the simulator to have printed LINE count times.
expect_frames() {
    local count=$1
    shift
    for _ in $(seq 200); do
        local all=1
        for line in "$@"; do
            [ "$(grep -c "^$line" "$work/sim.log")" -ge "$count" ] || all=0
        done
        [ $all = 1 ] && return 0
        sleep 0.1
    done
    die "the simulator did not print these frames $count times: $* (it printed: $(grep '^frame' "$work/sim.log"))"
}

trim_off='frame 78 09 18 00 18 59 00 00 00 00 8E'
gear_off='frame 78 09 63 00 2F 20 00 00 00 00 FC'
hobbs_off='frame 78 09 61 00 37 02 00 00 00 00 2D'

if [ -n "$shots" ]; then
    # No window manager runs here: Wine draws the title bars itself.
    "$wine_run" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 ||
        die "cannot set the prefix to draw title bars"
    undecorated=1
fi

"$wine_run" "$tool" >"$work/tool.log" 2>&1 &
tool_pid=$!

log "connection window"
drive wait CONNECTIONWINZR8 30000 \
    title "ORVAN Connection Selection" \
    control 500 Button "Quit" \
    control 501 Button "OK" \
    control 502 ListBox "" \
    control 503 Button "9600" \
    control 504 Button "38400" \
    enabled 501 0 \
    enabled 503 0 \
    row 502 "COMM - COM5"

log "second start"
drive wait CONNECTIONWINZR8 5000 minimize
timeout 30 "$wine_run" "$tool" >"$work/second.log" 2>&1
status=$?
[ $status = 0 ] || die "the second start ended with status $status: $(cat "$work/second.log")"
drive wait CONNECTIONWINZR8 5000 front 5000 count CONNECTIONWINZR8 1
# Behind another window rather than minimized: brought to the front all the same.
drive wait CONNECTIONWINZR8 5000 second "$tool" 30000 count CONNECTIONWINZR8 1
kill -0 "$tool_pid" 2>/dev/null || die "the first copy is gone"

log "OK on COM5"
drive wait CONNECTIONWINZR8 5000 select 502 "COMM - COM5" enabled 501 1 enabled 503 1
if [ -n "$shots" ]; then
    drive wait CONNECTIONWINZR8 5000 capture "$shots/connection-window.bmp"
fi
drive wait CONNECTIONWINZR8 5000 click 501 gone 10000
drive wait SERIALWINZR8 20000 title "ORVAN ZR8 Test Tool - COMM - COM5" \
    count CONNECTIONWINZR8 0
expect_frames 1 "$trim_off" "$gear_off" "$hobbs_off"
if [ -n "$shots" ]; then
    # The simulator's demo runs about 8 s: take the picture while the panel reports.
    sleep 4
    drive wait SERIALWINZR8 5000 capture "$shots/test-window.bmp"
fi

log "Quit"
drive wait SERIALWINZR8 5000 click 1000
for _ in $(seq 150); do
    kill -0 "$tool_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$tool_pid" 2>/dev/null && die "the tool still runs 15 s after Quit"
wait "$tool_pid"
status=$?
tool_pid=''
[ $status = 0 ] || die "the tool ended with status $status"
expect_frames 2 "$trim_off" "$gear_off" "$hobbs_off"
log "passed"

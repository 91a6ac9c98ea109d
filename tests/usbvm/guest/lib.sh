# Helpers of the guest's checks (busybox sh). Every wait is bounded.

# The programs find no COM port of the guest (COM1 would be the console) and no user's port map.
for n in 1 2 3 4 5 6 7 8; do
    export ZR8_COM$n=
done
export HOME=/tmp

mark() {
    echo "@@@ZR8 $*"
}

# Time since boot in centiseconds.
uptime_cs() {
    read -r up rest < /proc/uptime
    seconds=${up%.*}
    hundredths=${up#*.}
    echo $((seconds * 100 + ${hundredths#0}))
}

# FTDI devices (vendor 0403) on the guest's USB.
adapter_count() {
    n=0
    for vendor in /sys/bus/usb/devices/*/idVendor; do
        [ -r "$vendor" ] && [ "$(cat "$vendor")" = 0403 ] && n=$((n + 1))
    done
    echo $n
}

adapters_are() {
    [ "$(adapter_count)" -eq "$1" ]
}

# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s; fails when the time is up.
wait_until() {
    limit=$(($(uptime_cs) + $1 * 100))
    shift
    while ! "$@"; do
        [ "$(uptime_cs)" -lt "$limit" ] || return 1
        sleep 0.1
    done
}

lines_at_least() {
    [ -f "$1" ] && [ "$(wc -l < "$1")" -ge "$2" ]
}

# Gone: no such process, or only its zombie waiting for the shell.
process_gone() {
    [ ! -r "/proc/$1/stat" ] || [ "$(cut -d' ' -f3 "/proc/$1/stat")" = Z ]
}

# stop_within SECONDS PID: waits for the process to end, killing it at the limit; sets stopped
# to "rc=N" with its exit status, or to "rc=hang" when it had to be killed.
stop_within() {
    if wait_until "$1" process_gone "$2"; then
        wait "$2"
        stopped="rc=$?"
    else
        kill -KILL "$2"
        wait "$2"
        stopped="rc=hang"
    fi
}

# check NAME COMMAND...: runs COMMAND with its output between the markers, bounded by 120 s.
check() {
    name=$1
    shift
    mark begin "$name"
    start=$(uptime_cs)
    timeout 120 "$@" 2>&1
    rc=$?
    mark end "$name" rc=$rc cs=$(($(uptime_cs) - start))
}

# The host unplugs (device_del) or plugs back (device_add) the named adapters.
action() {
    mark action "$@"
}

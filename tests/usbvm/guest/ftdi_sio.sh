# One adapter with the kernel's ftdi_sio driver loaded, on a simulator looping the counting
# pattern (counting.scenario).

tty_present() {
    [ -c /dev/ttyUSB0 ]
}

tty_absent() {
    [ ! -e /dev/ttyUSB0 ]
}

size_of() {
    stat -c %s "$1" 2> /dev/null || echo 0
}

wait_until 10 tty_present || mark problem "no /dev/ttyUSB0"

# Another program's session on /dev/ttyUSB0: the tool neither lists nor opens the adapter, and
# the session goes on receiving.
stty -F /dev/ttyUSB0 38400 raw -echo
cat /dev/ttyUSB0 > /tmp/held.bin &
holder=$!
sleep 2
mark size held-start "$(size_of /tmp/held.bin)"
check held-list zr8-monitor --list
mark size held-after-list "$(size_of /tmp/held.bin)"
check held-watch zr8-monitor 1 --duration 3
mark size held-after-watch "$(size_of /tmp/held.bin)"
sleep 1
mark size held-end "$(size_of /tmp/held.bin)"
if process_gone $holder; then
    mark note "holder gone"
else
    mark note "holder alive"
fi
kill $holder
stop_within 5 $holder
mark begin held-bytes
od -An -tx1 -v /tmp/held.bin
mark end held-bytes rc=0

# The port free: the tool lists and opens the adapter; /dev/ttyUSB0 is away while the tool has it
# and back once it closed it.
check free-list zr8-monitor --list
zr8-monitor 1 --json --duration 6 > /tmp/free.out 2>&1 &
watcher=$!
watch_start=$(uptime_cs)
if wait_until 6 tty_absent; then
    mark tty while-open absent "$(($(uptime_cs) - watch_start))"
else
    mark tty while-open present
fi
mark begin free-watch
stop_within 20 $watcher
cat /tmp/free.out
mark end free-watch $stopped cs=$(($(uptime_cs) - watch_start))
closed=$(uptime_cs)
if wait_until 10 tty_present; then
    mark tty after-close present "$(($(uptime_cs) - closed))"
else
    mark tty after-close absent
fi
stty -F /dev/ttyUSB0 38400 raw -echo
cat /dev/ttyUSB0 > /tmp/again.bin &
again=$!
sleep 1
kill $again
stop_within 5 $again
mark size again "$(size_of /tmp/again.bin)"

# The libftdi service itself; its last case pulls the adapter out and plugs it back.
export ZR8_USBVM_ADAPTERS=1 ZR8_USBVM_PERIOD=64 ZR8_USBVM_UNPLUG=a0
check service zr8_usbvm_libftdi_tests --gtest_color=no

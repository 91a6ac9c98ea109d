# Two adapters through libftdi alone (no ftdi_sio): a0 on a simulator that loops its demo from the
# first frame it receives on, a1 on one that loops it from boot on.

check list-1 zr8-monitor --list
check list-2 zr8-monitor --list
# The --send frame starts a0's demo, after the monitor has opened and purged the adapter.
check demo-watch zr8-monitor 1 --send "hobbs off" --json --duration 15
check send-row-1 zr8-monitor 1 --send "trim on 3"
check send-row-2 zr8-monitor 2 --send "gear left=red nose=green"
check coverage zr8-monitor 2 --coverage --timeout 60

# Unplugged mid-watch and plugged back: a watch with a duration on a1 and, started once the first
# one holds a1 (so row 1 is a0 for it), one without an end on a0 that gets SIGTERM while unplugged.
zr8-monitor 2 --json --duration 16 > /tmp/timed.out 2> /tmp/timed.err &
timed=$!
timed_start=$(uptime_cs)
wait_until 20 lines_at_least /tmp/timed.out 3 || mark note "no events from the timed watch"
zr8-monitor 1 --json --duration 600 > /tmp/endless.out 2> /tmp/endless.err &
endless=$!
sleep 3
mark note "before unplug: timed $(wc -l < /tmp/timed.out) lines"
action unplug a0 a1
wait_until 10 adapters_are 0 || mark problem "still $(adapter_count) adapters after unplug"
sleep 2
mark begin sigterm-while-unplugged
term_start=$(uptime_cs)
kill -TERM $endless
stop_within 10 $endless
mark end sigterm-while-unplugged $stopped cs=$(($(uptime_cs) - term_start))
action plug a0 a1
wait_until 20 adapters_are 2 || mark problem "only $(adapter_count) adapters after plugging back"
mark begin timed-watch
stop_within 40 $timed
mark end timed-watch $stopped cs=$(($(uptime_cs) - timed_start))
mark begin timed-watch-output
cat /tmp/timed.out
echo "stderr:"
cat /tmp/timed.err
mark end timed-watch-output rc=0
mark begin endless-watch-output
cat /tmp/endless.out
echo "stderr:"
cat /tmp/endless.err
mark end endless-watch-output rc=0

check list-after-replug zr8-monitor --list
check watch-after-replug zr8-monitor 2 --json --duration 5

#!/usr/bin/env bash
# The shipped programs carry none of the test code: no screenless window services in zr8-decode
# and zr8-monitor, no autopilot in zr8-test-tool. The autopilot build is checked the same way
# to show that the check finds what it looks for.
#   no_test_code_test.sh TEST_TOOL AUTOPILOT_BUILD DECODE MONITOR
set -uo pipefail
test_tool=$1 autopilot=$2 decode=$3 monitor=$4
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# (grep reads to the end: with pipefail an early exit would fail the pipe)
symbols() { nm -C "$1"; }

for program in "$decode" "$monitor" "$test_tool"; do
    for class in HeadlessWindowServices RecordingWindowServices; do
        if symbols "$program" | grep >/dev/null "$class"; then
            fail "$(basename "$program") carries $class"
        fi
    done
done
if strings "$test_tool" | grep >/dev/null ZR8_AUTOPILOT; then
    fail "zr8-test-tool reads ZR8_AUTOPILOT: the autopilot is in the shipped program"
fi
if symbols "$test_tool" | grep >/dev/null startAutopilotIfAsked; then
    fail "zr8-test-tool carries startAutopilotIfAsked"
fi
# The control: the autopilot build has what the shipped program must not.
strings "$autopilot" | grep >/dev/null ZR8_AUTOPILOT || fail "the check sees no ZR8_AUTOPILOT in the autopilot build"
symbols "$autopilot" | grep >/dev/null startAutopilotIfAsked ||
    fail "the check sees no startAutopilotIfAsked in the autopilot build"

[ $failures = 0 ] && echo "no test code in the shipped programs"
exit $((failures > 0))

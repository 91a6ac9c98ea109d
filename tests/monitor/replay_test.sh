#!/usr/bin/env bash
# zr8-monitor replays the sample capture to the lines a technician reads; on Windows the same
# lines come out of the console program under Wine.
# Usage: replay_test.sh EXPECTED MONITOR [EMULATOR]
set -u
expected=$1
monitor=$2
emulator=${3:-}
sample=$(dirname "$0")/../../tools/samples/bench-session.zr8cap

actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
# Windows writes its console lines with CR LF.
$emulator "$monitor" --replay "$sample" --fast --raw | tr -d '\r' >"$actual"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
    echo "zr8-monitor exited with $status" >&2
    exit 1
fi
diff -u "$expected" "$actual" || exit 1
echo "replay matches $(wc -l <"$expected") lines"

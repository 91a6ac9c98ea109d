#!/usr/bin/env bash
# zr8-decode from the outside: the shipped sample decodes to the recorded result, standard input
# works, any bytes are accepted, and unreadable input gives exit status 2 with the file named.
set -u
decode=$1
source_dir=$2
sample=$source_dir/tools/samples/bench-session.bin
expected=$source_dir/tests/cli/bench-session.expected.json
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$decode" "$sample" >"$work/out.json" 2>"$work/err" || fail "sample: exit status $?"
cmp -s "$work/out.json" "$expected" || { fail "sample output differs"; diff "$expected" "$work/out.json"; }
[ -s "$work/err" ] && fail "sample: unexpected standard error: $(cat "$work/err")"

"$decode" - <"$sample" >"$work/stdin.json" || fail "stdin: exit status $?"
cmp -s "$work/stdin.json" "$expected" || fail "standard input gives another result than the file"

: >"$work/empty"
"$decode" "$work/empty" >"$work/empty.json" || fail "empty file: exit status $?"
grep -q '"trimCounter":0,"fullScale":255.0,"mainboard":"-","modules":\[\]}' "$work/empty.json" \
    || fail "empty file: $(cat "$work/empty.json")"

head -c 300000 /dev/urandom >"$work/noise"
"$decode" "$work/noise" >"$work/noise.json" || fail "random bytes: exit status $?"
[ "$(wc -l <"$work/noise.json")" -eq 1 ] || fail "random bytes: not one line of output"

for bad in "$work/missing.bin" "$work"; do
    "$decode" "$bad" >"$work/bad.out" 2>"$work/bad.err"
    status=$?
    [ "$status" -eq 2 ] || fail "$bad: exit status $status, expected 2"
    [ "$(wc -l <"$work/bad.err")" -eq 1 ] || fail "$bad: expected one line on standard error"
    grep -qF "$bad" "$work/bad.err" || fail "$bad: error does not name the file: $(cat "$work/bad.err")"
    [ -s "$work/bad.out" ] && fail "$bad: printed a result anyway"
done

"$decode" --help | grep -q "Usage: zr8-decode" || fail "--help does not explain the usage"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "zr8-decode CLI: all checks passed"

#!/usr/bin/env bash
# zr8-decode reading capture files: a capture decodes to the same result as the raw bytes it
# holds (the shipped sample, and a large noise stream in chunks of up to 65535 bytes), from a file
# and from standard input; a damaged capture gives exit status 2 and one line naming the offset.
# The captures are laid out here with python3, independently of the program's own writer.
set -u
decode=$1
source_dir=$2
sample=$source_dir/tools/samples/bench-session.bin
expected=$source_dir/tests/cli/bench-session.expected.json
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# capture RAW OUT SIZES... : RAW cut into chunks of the given sizes (repeated, the last one
# takes the rest), 1000 us apart. Prints the offset of each chunk, one a line.
capture() {
    python3 - "$@" <<'PYTHON'
import struct, sys
raw = open(sys.argv[1], "rb").read()
sizes = [int(s) for s in sys.argv[3:]]
out = bytearray(b"ZR8CAP01")
at = 0
n = 0
while at < len(raw):
    size = min(sizes[n % len(sizes)], len(raw) - at)
    print(len(out))
    out += struct.pack("<QH", n * 1000, size) + raw[at:at + size]
    at += size
    n += 1
open(sys.argv[2], "wb").write(out)
PYTHON
}

# Bad capture: exit status 2, nothing on standard output, one line on standard error.
expect_rejected() {
    local what=$1 line=$2 status
    shift 2
    "$@" >"$work/bad.out" 2>"$work/bad.err"
    status=$?
    [ "$status" -eq 2 ] || fail "$what: exit status $status, expected 2"
    [ -s "$work/bad.out" ] && fail "$what: printed a result anyway"
    [ "$(wc -l <"$work/bad.err")" -eq 1 ] || fail "$what: expected one line on standard error"
    [ "$(cat "$work/bad.err")" = "$line" ] || fail "$what: said '$(cat "$work/bad.err")', expected '$line'"
}

# The sample in pieces of every size from 1 up, some over one read of 100 bytes.
capture "$sample" "$work/sample.zr8cap" 1 2 3 5 8 13 21 34 55 >/dev/null
"$decode" "$work/sample.zr8cap" >"$work/sample.json" 2>"$work/err" || fail "sample capture: exit status $?"
cmp -s "$work/sample.json" "$expected" || { fail "sample capture output differs"; diff "$expected" "$work/sample.json"; }
[ -s "$work/err" ] && fail "sample capture: unexpected standard error: $(cat "$work/err")"
"$decode" - <"$work/sample.zr8cap" >"$work/sample-stdin.json" || fail "sample capture on stdin: exit status $?"
cmp -s "$work/sample-stdin.json" "$expected" || fail "sample capture on standard input differs"
capture "$sample" "$work/sample-whole.zr8cap" 100000 >/dev/null
"$decode" "$work/sample-whole.zr8cap" >"$work/sample-whole.json" || fail "one-chunk capture: exit status $?"
cmp -s "$work/sample-whole.json" "$expected" || fail "sample in one chunk differs"

# Large chunks are served in reads of at most 100 bytes: a read longer than that would lose bytes
# and change the result.
head -c 300000 /dev/urandom >"$work/noise"
"$decode" "$work/noise" >"$work/noise.json" || fail "raw noise: exit status $?"
capture "$work/noise" "$work/noise.zr8cap" 65535 1 250 101 7 40000 >/dev/null
"$decode" "$work/noise.zr8cap" >"$work/noise-capture.json" || fail "noise capture: exit status $?"
cmp -s "$work/noise.json" "$work/noise-capture.json" || fail "noise capture decodes otherwise than the raw noise"

# Raw input shorter than the magic, and input that nearly starts like a capture, stay raw.
head -c 5 "$sample" >"$work/short"
capture "$work/short" "$work/short.zr8cap" 2 >/dev/null
"$decode" "$work/short" >"$work/short.json" || fail "5 raw bytes: exit status $?"
"$decode" - <"$work/short.zr8cap" >"$work/short-capture.json" || fail "5-byte capture: exit status $?"
cmp -s "$work/short.json" "$work/short-capture.json" || fail "5 raw bytes decode otherwise than their capture"
{ printf 'ZR8CAP0'; cat "$sample"; } >"$work/almost"
"$decode" - <"$work/almost" >"$work/almost.json" || fail "ZR8CAP0 + sample: exit status $?"
{ printf 'ZR8CAP0'; cat "$sample"; } | "$decode" - >"$work/almost-pipe.json" || fail "ZR8CAP0 + sample piped: exit status $?"
"$decode" "$work/almost" >"$work/almost-file.json" || fail "ZR8CAP0 + sample file: exit status $?"
cmp -s "$work/almost.json" "$work/almost-file.json" && cmp -s "$work/almost.json" "$work/almost-pipe.json" \
    || fail "ZR8CAP0 + sample: file, redirected and piped input differ"
grep -q '"modules":\["' "$work/almost.json" || fail "ZR8CAP0 + sample: not decoded as raw bytes: $(cat "$work/almost.json")"

# The magic alone: an empty capture, the decoder's start state.
printf 'ZR8CAP01' >"$work/empty.zr8cap"
"$decode" "$work/empty.zr8cap" >"$work/empty.json" || fail "empty capture: exit status $?"
grep -q '"trimCounter":0,"fullScale":255.0,"mainboard":"-","modules":\[\]}' "$work/empty.json" \
    || fail "empty capture: $(cat "$work/empty.json")"

# Damaged captures, from a file and from standard input.
mapfile -t starts < <(capture "$sample" "$work/cut.zr8cap" 30)
third=${starts[2]}
head -c $((third + 10 + 4)) "$work/cut.zr8cap" >"$work/cut-body.zr8cap"
expect_rejected "body cut off" \
    "zr8-decode: $work/cut-body.zr8cap: chunk at offset $third says 30 bytes but the file ends after 4" \
    "$decode" "$work/cut-body.zr8cap"
head -c $((third + 3)) "$work/cut.zr8cap" >"$work/cut-header.zr8cap"
expect_rejected "header cut off on stdin" \
    "zr8-decode: standard input: chunk header cut off at offset $third" \
    "$decode" - <"$work/cut-header.zr8cap"
{ printf 'ZR8CAP01'; printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x09'; } >"$work/zero.zr8cap"
expect_rejected "length 0" \
    "zr8-decode: $work/zero.zr8cap: chunk at offset 8 has length 0 and no known link record kind (9)" \
    "$decode" "$work/zero.zr8cap"

"$decode" --help | grep -q "capture" || fail "--help does not mention captures"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "zr8-decode captures: all checks passed"

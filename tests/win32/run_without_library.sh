#!/usr/bin/env bash
# Runs one case of a Windows test program from a copy in a folder of its own, with no
# FTD2XX.dll beside it; fails unless that case ran and passed (a skip is not a pass). It runs in
# the caller's current folder, which may hold an FTD2XX.dll: that one must not be loaded either.
# Usage: run_without_library.sh WINE_RUN TEST_EXE GTEST_FILTER
set -u
wine_run=$1
test_exe=$2
filter=$3
alone=$(mktemp -d)
trap 'rm -rf "$alone"' EXIT
cp "$test_exe" "$alone/"
output=$(timeout 60 "$wine_run" "$alone/$(basename "$test_exe")" --gtest_filter="$filter" 2>&1)
status=$?
echo "$output"
[ "$status" -eq 0 ] || exit "$status"
if ! grep -q '^\[  PASSED  \] 1 test' <<<"$output" || grep -q 'SKIPPED' <<<"$output"; then
    echo "the case did not run and pass in the lone copy" >&2
    exit 1
fi

#!/usr/bin/env bash
# Builds optimised and prints the figures of the Linux program as one table: start-up, nothing
# lost at 38400 baud (60 s), CPU idle and loaded (30 s and 60 s), input-to-screen latency of
# isolated changes (500, 30..70 ms apart: 25 s) and at full line rate (6 s), decoder throughput.
# Options go to the program (see --help there, e.g. --isolated-changes 2000, --only-latency, or
# --soak 1800 for the half-hour soak). `scripts/bench.sh --micro` runs the decoder's Google
# Benchmark instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset bench >/dev/null
if [ "${1:-}" = "--micro" ]; then
    shift
    cmake --build --preset bench --target zr8_bench
    exec build/bench/bench/zr8_bench "$@"
fi
cmake --build --preset bench --target zr8-program-bench
echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(uname -sr)"
exec build/bench/bench/program/zr8-program-bench "$@"

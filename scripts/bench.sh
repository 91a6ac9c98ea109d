#!/usr/bin/env bash
# Builds the benchmarks optimised and prints their figures.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target zr8_bench
build/bench/bench/zr8_bench "$@"

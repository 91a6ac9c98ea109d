#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the decoder on the shipped sample of a bench session.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target zr8-decode
build/linux/tools/zr8-decode tools/samples/bench-session.bin

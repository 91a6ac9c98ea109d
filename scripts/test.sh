#!/usr/bin/env bash
# Sets up what is missing, then builds and runs the whole test suite three times: natively, under
# AddressSanitizer with UndefinedBehaviorSanitizer, and cross-built for Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in linux linux-asan windows; do
    echo "=== $preset ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

#!/usr/bin/env bash
# Sets up what is missing, then builds and runs the whole test suite twice: natively and under
# AddressSanitizer with UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in linux linux-asan; do
    echo "=== $preset ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

#!/usr/bin/env bash
# Sets up what is missing, then builds and runs the whole test suite: natively (and the programs
# without Qt or Wine once more under valgrind), under AddressSanitizer with
# UndefinedBehaviorSanitizer, the fuzz targets for a minute each, and cross-built for Windows
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in linux linux-asan fuzz windows; do
    echo "=== $preset ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [ "$preset" = linux ]; then
        echo "=== valgrind ==="
        scripts/valgrind.sh
    fi
done

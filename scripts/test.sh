#!/usr/bin/env bash
# Sets up what is missing, then builds and runs the whole test suite: natively (and the programs
# without Qt or Wine once more under valgrind), under AddressSanitizer with
# UndefinedBehaviorSanitizer, the fuzz targets for a minute each, and cross-built for Windows
# under Wine; then the release packages are built, the Debian one installed on this machine, tried
# and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
for preset in linux linux-asan fuzz windows; do
    echo "=== $preset ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [ "$preset" = linux ]; then
        echo "=== soak ==="
        ctest --preset soak
        echo "=== valgrind ==="
        scripts/valgrind.sh
    fi
done
echo "=== packages ==="
scripts/package.sh
tests/package/package_test.sh build/packages build/windows/wine-run.sh

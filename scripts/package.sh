#!/usr/bin/env bash
# Builds the release packages into build/packages/: the Debian package from the linux preset
# and the Windows zip from the cross build. Run scripts/setup.sh first (scripts/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p build/packages
rm -f build/packages/zr8-test-tool_*.deb build/packages/zr8-test-tool-*-windows-x64.zip

cmake --preset linux >/dev/null
cmake --build --preset linux --target zr8-test-tool zr8-monitor zr8-decode zr8-panel-sim zr8_icons
(cd build/linux && cpack -G DEB)

cmake --preset windows >/dev/null
cmake --build --preset windows --target zr8-test-tool zr8-monitor zr8-decode
(cd build/windows && cpack -G ZIP)

ls -l build/packages/zr8-test-tool_*.deb build/packages/zr8-test-tool-*-windows-x64.zip

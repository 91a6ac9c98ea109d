#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with. The one place that
# lists them: add a package here, nowhere else.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config python3
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libftdi1-dev libgl-dev
    g++-mingw-w64-x86-64 wine wine64 xvfb xdotool xauth
    openbox x11-apps x11-utils
    clang libclang-rt-14-dev valgrind
    dpkg-dev desktop-file-utils
    qemu-system-x86 busybox-static cpio xz-utils
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# The release packages as a user gets them: the .deb installed on this machine with apt-get,
# its programs run from the PATH (the desktop program on an X server, clicked through against
# the panel simulator),
# its udev rule and menu entry validated, then removed without a trace; the Windows zip's
# contents against the expected set, and its monitor run under Wine.
#
# Usage: package_test.sh PACKAGES_DIR WINE_RUN
# Installs and removes a package: run it where that is allowed (CI, a test machine), as root or
# with sudo.
set -u
packages=$1 wine_run=$2
version=$(sed -n 's/^project(zr8_test_tool VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
deb="$packages/zr8-test-tool_${version}_amd64.deb"
zip="$packages/zr8-test-tool-${version}-windows-x64.zip"
work=$(mktemp -d)
sudo=''
[ "$(id -u)" -ne 0 ] && sudo=sudo

log() { echo "package_test: $*"; }
die() {
    echo "package_test: FAILED: $*" >&2
    exit 1
}
cleanup() {
    if dpkg-query -W zr8-test-tool >/dev/null 2>&1; then
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y zr8-test-tool >/dev/null 2>&1
    fi
    rm -rf "$work"
}
trap cleanup EXIT

[ -n "$version" ] || die "no project version in CMakeLists.txt"
[ -f "$deb" ] || die "no $deb (scripts/package.sh makes it)"
[ -f "$zip" ] || die "no $zip (scripts/package.sh makes it)"

log "contents of $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/zr8-test-tool /usr/bin/zr8-monitor /usr/bin/zr8-decode /usr/bin/zr8-panel-sim \
    /usr/lib/udev/rules.d/60-zr8-ftdi.rules /usr/share/applications/zr8-test-tool.desktop \
    /usr/share/icons/hicolor/48x48/apps/zr8-test-tool.png /usr/share/doc/zr8-test-tool/monitor.md; do
    grep -qx "$path" "$work/contents" || die "$path is not in the package"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || die "package version $(dpkg-deb -f "$deb" Version), not $version"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || die "no dependencies worked out: $(dpkg-deb -f "$deb" Depends)"

log "install"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "$(realpath "$deb")" >"$work/install.log" 2>&1 ||
    die "apt-get install: $(tail -5 "$work/install.log")"
installed=$(dpkg -L zr8-test-tool | sort)

[ "$(zr8-monitor --version)" = "zr8-monitor $version" ] || die "zr8-monitor --version: $(zr8-monitor --version)"
[ "$(zr8-decode --version)" = "zr8-decode $version" ] || die "zr8-decode --version"
zr8-panel-sim --help | grep -q '^Usage: zr8-panel-sim' || die "zr8-panel-sim --help"
[ "$(command -v zr8-test-tool)" = /usr/bin/zr8-test-tool ] || die "zr8-test-tool is not on the PATH"

log "the installed desktop program on an X server, driven by clicks, against the installed simulator"
if strings /usr/bin/zr8-test-tool | grep ZR8_AUTOPILOT >/dev/null; then
    die "the installed zr8-test-tool carries the autopilot"
fi
python3 "$(dirname "$0")/installed_desktop.py" --tool /usr/bin/zr8-test-tool \
    --panel-sim /usr/bin/zr8-panel-sim --source "$(dirname "$0")/../.." --work "$work/desktop" \
    >"$work/desktop.log" 2>&1 || die "the installed desktop program: $(tail -5 "$work/desktop.log")"
cat "$work/desktop.log"

log "the menu entry and the udev rule"
desktop-file-validate /usr/share/applications/zr8-test-tool.desktop || die "desktop-file-validate"
if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
    udevadm verify /usr/lib/udev/rules.d/60-zr8-ftdi.rules || die "udevadm verify"
else
    log "(no udevadm verify here: the rule's form is checked by its one line only)"
    grep -q '^SUBSYSTEM=="usb", .*ATTRS{idVendor}=="0403"' /usr/lib/udev/rules.d/60-zr8-ftdi.rules ||
        die "the udev rule is not the FTDI rule"
fi

log "remove"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y zr8-test-tool >"$work/remove.log" 2>&1 ||
    die "apt-get remove: $(tail -5 "$work/remove.log")"
while read -r path; do
    [ -d "$path" ] && continue  # shared folders such as /usr/bin stay
    [ -e "$path" ] && die "$path is still there after the removal"
done <<<"$installed"
[ -e /usr/share/doc/zr8-test-tool ] && die "/usr/share/doc/zr8-test-tool is still there"

log "the Windows zip"
python3 - "$zip" >"$work/zip-list" <<'PY' || die "the zip cannot be read"
import sys, zipfile
for name in sorted(zipfile.ZipFile(sys.argv[1]).namelist()):
    print(name)
PY
expected=$'LICENSE.txt\nREADME.txt\nzr8-decode.exe\nzr8-monitor.exe\nzr8-test-tool.exe'
[ "$(cat "$work/zip-list")" = "$expected" ] || die "the zip holds: $(tr '\n' ' ' <"$work/zip-list")"
python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" "$zip" "$work/zip"
"$wine_run" "$work/zip/zr8-monitor.exe" --help >"$work/wine-help.txt" 2>&1 || die "zr8-monitor.exe --help under Wine"
grep -q 'Usage: zr8-monitor' "$work/wine-help.txt" || die "zr8-monitor.exe --help printed: $(head -3 "$work/wine-help.txt")"
[ "$("$wine_run" "$work/zip/zr8-monitor.exe" --version 2>/dev/null | tr -d '\r')" = "zr8-monitor $version" ] ||
    die "zr8-monitor.exe --version"
log "passed"

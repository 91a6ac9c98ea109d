# The desktop program (its build with the autopilot) on Qt's offscreen platform: it picks the
# adapter's row, presses OK, watches the panel (a0, a simulator looping its demo from the first
# frame on) and saves screenshots of both windows. The test window's picture goes to the host in base64.

mkdir -p /tmp/run /tmp/shots
chmod 700 /tmp/run
export XDG_RUNTIME_DIR=/tmp/run QT_QPA_PLATFORM=offscreen
export ZR8_AUTOPILOT=/tmp/shots ZR8_AUTOPILOT_ROW="USB - QEMU USB SERIAL" ZR8_AUTOPILOT_SECONDS=10
check desktop zr8-test-tool-autopilot
mark begin test-window-png
base64 /tmp/shots/test-window.png
mark end test-window-png rc=$?

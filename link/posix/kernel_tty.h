// Linux FTDI layer: whether another program uses an adapter through the kernel's serial driver.
//
// While the kernel's ftdi_sio driver has an adapter, it appears as /dev/ttyUSBn. A program that
// has that tty open holds a session with the panel (or with whatever the cable is plugged into):
// the tool must not take the adapter from the driver then. Which processes have a tty open is
// read from /proc: processes of other users are hidden from an ordinary user, so their use of a
// tty cannot be seen.
#pragma once

#include <string>

// The USB device named as sysfs names it: bus number, '-', port numbers joined by '.'
// ("1-1.4"). Empty for a device without a port path.
std::string usbSysfsName(int busNumber, const unsigned char* portNumbers, int portCount);

// True when a tty that the kernel made for an interface of that USB device is open in some
// process that this one can see.
bool kernelTtyInUse(const std::string& usbDeviceName);

// The parts, for tests: the sysfs name of the USB device behind a tty's "device" link target
// ("/sys/devices/.../1-1.4/1-1.4:1.0/ttyUSB0" gives "1-1.4"; empty when it is no USB tty), and
// whether a character device of that number is open in any process but this one under proc.
std::string usbDeviceOfTtyPath(const std::string& deviceLinkTarget);
bool characterDeviceOpen(unsigned int major, unsigned int minor, const std::string& procRoot);

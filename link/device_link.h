// The device link: the one open COM port or FTDI adapter of the selected connection.
// The protocol only reads and writes through it. The build picks which definition of the two is
// linked: the real link below over the serial-port and FTDI services, or a stand-in (a capture
// file in zr8-decode, a scripted fake in the protocol tests).
#pragma once

#include <cstdint>

#include "link/ftdi_service.h"
#include "link/serial_port_service.h"

constexpr std::uint32_t kDeviceLinkReadSize = 100;

struct DeviceLinkState {
    SerialPort serialHandle = nullptr;  // null = no COM port open
    FtdiHandle usbHandle = nullptr;     // null = no USB adapter open
    bool gone = false;                  // the last read found the open port or adapter gone
};

DeviceLinkState& deviceLinkState();

// Opens the selected row's adapter at 38400 baud 8N1 when it is a USB row; usbHandle is null
// afterwards unless that worked.
void openUsbDevice();
// Opens the selected row's COM port at the speed of speedChoice, 8N1, with reads that never
// wait, when it is a serial row.
void openSerialPort();
// Opens the link for the selected row as its kind says: the adapter of a USB row, else the COM
// port (the test window and the monitor open their link so).
void openSelectedConnection();

// Copies the bytes that have already arrived, at most 100, into buffer and returns their count;
// 0 when nothing has arrived or nothing is open. Never waits.
std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]);

// Whether the open port or adapter went away (unplugged, or the other side of a pty closed), as
// the last readDeviceLink found; reads give nothing from then on. false while nothing is open
// and after each open. Only the monitor asks; the desktop program goes on polling as before.
bool deviceLinkGone();

// Hands length bytes to the open port or adapter. 1 when the write was issued, 0 when nothing
// is open (nothing is written).
int writeDeviceLink(const std::uint8_t* bytes, std::uint32_t length);

// Closes whatever is open.
void closeDeviceLink();

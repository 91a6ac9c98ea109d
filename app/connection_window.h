// The connection window: the hardware scan that lists COM1..COM8 and the FTDI adapters found,
// and the choice of a row and of the serial line speed.
#pragma once

#include "app/window_services.h"

constexpr int kFirstProbedPort = 1;
constexpr int kLastProbedPort = 8;

// Fills the connection table and the window's list with what is attached, behind a notice.
void scanHardware(WindowHandle window);
// The FTDI adapters part of the scan, after the serial ports.
void scanUsbDevices(WindowHandle window);

// The window procedure of the connection window's class. 1 when the message was handled.
int connectionWindowProc(WindowHandle window, const WindowMessage& message);

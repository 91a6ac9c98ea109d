// The test window: opens the device link, polls the panel every 5 ms, mirrors its inputs, and
// drives its outputs from the trim, gear-light and hobbs controls.
#pragma once

#include "app/window_services.h"

constexpr int kPollTimerId = 1;
constexpr unsigned kPollPeriodMs = 5;
constexpr int kHobbsTimerId = 2;
constexpr unsigned kHobbsPeriodMs = 5000;

// Destroys the connection window, opens the link of the selected connection, creates and shows
// the test window with every output off. 1 on success, 0 when the window could not be created.
int openTestWindow();

// The window procedure of the test window's class. 1 when the message was handled.
int testWindowProc(WindowHandle window, const WindowMessage& message);

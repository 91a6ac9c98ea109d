// Win32: the one window procedure of the program's window classes, which hands each message to
// the core's procedure of the window's class.
#pragma once

#include <windows.h>

#include "app/window_services.h"

// Remembers the core's procedure for a registered class (by its class atom). false when the
// table of classes is full.
bool bindClassProcedure(ATOM classAtom, WindowProcedure procedure);

// The system calls this for every message of a window of a registered class.
LRESULT CALLBACK classWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

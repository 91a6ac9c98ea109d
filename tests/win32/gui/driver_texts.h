// Win32: whether every text of the program's window is shown whole, for the GUI tests.
#pragma once

#include <windows.h>

#include <string>

#include "tests/win32/gui/driver_layout.h"

namespace driver {

// Every static text, check box and radio button of WINDOW is as wide as its text in the
// template's font (a read-out as the widest value a bench gives it), and no control that was
// clear of another in the template (or inside a group box) overlaps it (or leaves the box)
// now. False with every fault, one a line, in reason.
bool textsShownWhole(HWND window, const DialogLayout& layout, std::string& reason);

}  // namespace driver

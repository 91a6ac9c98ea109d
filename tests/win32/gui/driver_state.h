// Win32: what the controls of the program's window hold, read from this process with the
// controls' own messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win32/gui/driver_pictures.h"

namespace driver {

// The control's text (WM_GETTEXT, wide: Wine hands a narrow text to another process as wide).
std::string controlText(HWND control);

// Every row of a list box, in order.
std::vector<std::string> listRows(HWND list);

// One JSON object for every child control of WINDOW, one a line, in the order of the children:
//   {"id":N,"class":"Button","text":"...","enabled":1, ...}
// with "checked" for check boxes and radio buttons, "rows" and "selected" for list boxes, "pos"
// for progress bars, and "picture" ("BILDn" or "none") for picture controls. SCREEN holds the
// pixels of SCREEN_RECT, which must cover the window.
std::string describeControls(HWND window, const ToolPictures& pictures, const Pixels& screen,
                             const RECT& screenRect);

// True for a static control that shows a bitmap.
bool isPictureControl(HWND control);

}  // namespace driver

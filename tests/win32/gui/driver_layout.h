// Win32: where a control of the program's window lies on the screen, worked out from the dialog
// template that the program's file carries, as the dialog manager places it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

struct TemplateItem {
    int id = -1;
    RECT units = {};  // left, top, right, bottom in dialog units
};

struct DialogLayout {
    std::wstring fontFace;
    int pointSize = 0;
    std::vector<TemplateItem> items;
};

// A hidden dialog of this process with the template's font (WM_GETFONT gives it, MapDialogRect
// maps with it); the caller destroys it. Null when it cannot be made.
HWND fontDialog(const DialogLayout& layout);

// Reads the classic dialog template NAME from the program file EXE. False with a reason when
// the file, the template or its form is not what is expected.
bool loadDialogLayout(const std::string& exe, const std::string& name, DialogLayout& layout,
                      std::string& reason);

// The screen rectangle of control ID of WINDOW (a window made from LAYOUT): the template's
// dialog units mapped with the dialog base units of the template's font, from WINDOW's client
// origin. False when the template has no such control.
bool controlScreenRect(HWND window, const DialogLayout& layout, int id, RECT& rect,
                       std::string& reason);

}  // namespace driver

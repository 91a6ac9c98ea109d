// Win32: text extents in the template's font against the controls' boxes, and their overlaps.
#include "tests/win32/gui/driver_texts.h"

#include <cstdint>
#include <vector>

#include "tests/win32/gui/driver_state.h"

namespace driver {

namespace {

// The longest values a bench gives the read-outs: a trim counter that ran far, a mainboard
// identification with three-digit numbers and letters, a 10-bit lever read at the 8-bit scale.
const char* widestValue(int id) {
    if (id == 2203) {
        return "-99999";
    }
    if (id == 1002) {
        return "127Z-127Z-127";
    }
    if (id >= 2500 && id <= 2505) {
        return "1023.0";
    }
    return nullptr;
}

int extent(HDC dc, const std::string& text) {
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

std::string describe(HWND control) {
    return "control " + std::to_string(GetDlgCtrlID(control)) + " \"" + controlText(control) + "\"";
}

bool isGroupBox(HWND control) {
    char name[32] = {};
    GetClassNameA(control, name, sizeof name);
    return lstrcmpiA(name, "Button") == 0 &&
           (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The width a control's text needs, 0 for a control without one to check.
int needed(HWND control, HDC dc) {
    char name[32] = {};
    GetClassNameA(control, name, sizeof name);
    const auto style = static_cast<std::uint32_t>(GetWindowLongA(control, GWL_STYLE));
    const std::string text = controlText(control);
    if (lstrcmpiA(name, "Static") == 0) {
        const std::uint32_t type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) {
            return 0;
        }
        const char* widest = widestValue(GetDlgCtrlID(control));
        const int width = extent(dc, widest != nullptr ? widest : text);
        return text.empty() && widest == nullptr ? 0 : width;
    }
    if (lstrcmpiA(name, "Button") == 0) {
        const std::uint32_t type = style & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
            type == BS_AUTORADIOBUTTON) {
            return GetSystemMetrics(SM_CXMENUCHECK) + 4 + extent(dc, text);
        }
    }
    return 0;
}

}  // namespace

bool textsShownWhole(HWND window, const DialogLayout& layout, std::string& reason) {
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back(child);
    }
    if (controls.size() != layout.items.size()) {
        reason = "the window has " + std::to_string(controls.size()) + " controls, its template " +
                 std::to_string(layout.items.size());
        return false;
    }
    HWND fonts = fontDialog(layout);
    if (fonts == nullptr) {
        reason = "no dialog with the template's font";
        return false;
    }
    std::vector<RECT> drawn(controls.size());
    std::vector<RECT> shown(controls.size());
    HDC dc = GetDC(fonts);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(fonts, WM_GETFONT, 0, 0)));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        // As the dialog manager places a control: its corner and its size mapped each on its
        // own (mapping the far corner instead can round a pixel apart).
        const RECT& units = layout.items[i].units;
        RECT corner = {units.left, units.top, units.left, units.top};
        RECT size = {0, 0, units.right - units.left, units.bottom - units.top};
        MapDialogRect(fonts, &corner);
        MapDialogRect(fonts, &size);
        drawn[i] =
            RECT{corner.left, corner.top, corner.left + size.right, corner.top + size.bottom};
        GetWindowRect(controls[i], &shown[i]);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&shown[i]), 2);
        RECT client = {};
        GetClientRect(controls[i], &client);
        const int width = needed(controls[i], dc);
        if (width > client.right) {
            reason += describe(controls[i]) + " is " + std::to_string(client.right) +
                      " px across, its text " + std::to_string(width) + "\n";
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(fonts, dc);
    DestroyWindow(fonts);

    for (std::size_t a = 0; a < controls.size(); ++a) {
        if (isGroupBox(controls[a])) {
            continue;
        }
        for (std::size_t b = 0; b < controls.size(); ++b) {
            RECT was = {};
            RECT now = {};
            if (a == b) {
                continue;
            }
            if (isGroupBox(controls[b])) {
                const bool inside =
                    UnionRect(&was, &drawn[a], &drawn[b]) && EqualRect(&was, &drawn[b]);
                const bool still =
                    UnionRect(&now, &shown[a], &shown[b]) && EqualRect(&now, &shown[b]);
                if (inside && !still) {
                    reason += describe(controls[a]) + " leaves its group box " +
                              describe(controls[b]) + "\n";
                }
            } else if (a < b && !IntersectRect(&was, &drawn[a], &drawn[b]) &&
                       IntersectRect(&now, &shown[a], &shown[b])) {
                reason += describe(controls[a]) + " now overlaps " + describe(controls[b]) + "\n";
            }
        }
    }
    return reason.empty();
}

}  // namespace driver

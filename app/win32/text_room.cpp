// Win32: text extents in each control's font, and boxes grown to them.
#include "app/win32/text_room.h"

#include <cstdint>
#include <cstring>

#include "ui/text_fit.h"
#include "ui/widest_readouts.h"

namespace {

// Width of text in the control's font, in pixels.
int textWidth(HWND control, const char* text) {
    HDC dc = GetDC(control);
    if (dc == nullptr) {
        return 0;
    }
    const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    if (previous != nullptr) {
        SelectObject(dc, previous);
    }
    ReleaseDC(control, dc);
    return size.cx;
}

// What the control's box must be across for its text, or 0 when it has none to fit; isStatic
// tells a static text from a button's.
int neededWidth(HWND control, std::uint32_t style, bool& isStatic) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    isStatic = lstrcmpiA(className, "Static") == 0;
    char text[256] = {};
    GetWindowTextA(control, text, sizeof text);
    RECT window = {};
    RECT client = {};
    GetWindowRect(control, &window);
    GetClientRect(control, &client);
    const int border = (window.right - window.left) - (client.right - client.left);
    if (isStatic) {
        const std::uint32_t type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) {
            return 0;  // pictures and frames
        }
        int needed = textWidth(control, text);
        if (const char* widest = widestReadoutText(GetDlgCtrlID(control))) {
            const int widestWidth = textWidth(control, widest);
            needed = widestWidth > needed ? widestWidth : needed;
        }
        return needed > 0 ? needed + border + 2 : 0;
    }
    if (lstrcmpiA(className, "Button") == 0) {
        const std::uint32_t type = style & BS_TYPEMASK;
        if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_RADIOBUTTON &&
            type != BS_AUTORADIOBUTTON) {
            return 0;
        }
        // The mark, the gap after it (about half a character), the text.
        return GetSystemMetrics(SM_CXMENUCHECK) + textWidth(control, "0") / 2 +
               textWidth(control, text) + border + 1;
    }
    return 0;
}

}  // namespace

void makeRoomForTexts(HWND dialog) {
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        const auto style = static_cast<std::uint32_t>(GetWindowLongA(control, GWL_STYLE));
        bool isStatic = false;
        const int needed = neededWidth(control, style, isStatic);
        if (needed == 0) {
            continue;
        }
        RECT box = {};
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        const Span was{box.left, box.right - box.left};
        const Span grown = spanToFit(was, needed, style, isStatic);
        if (grown.left != was.left || grown.width != was.width) {
            SetWindowPos(control, nullptr, grown.left, box.top, grown.width, box.bottom - box.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

// Win32: the controls' contents as text and JSON lines.
#include "tests/win32/gui/driver_state.h"

#include <commctrl.h>

#include <cstdio>

namespace driver {

namespace {

std::string narrow(const wchar_t* wide) {
    char text[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

std::string json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string classOf(HWND control) {
    char name[256] = {};
    GetClassNameA(control, name, sizeof name);
    return name;
}

struct Children {
    std::vector<HWND> windows;
};

BOOL CALLBACK collectChild(HWND child, LPARAM context) {
    reinterpret_cast<Children*>(context)->windows.push_back(child);
    return TRUE;
}

}  // namespace

std::string controlText(HWND control) {
    wchar_t wide[1024] = {};
    SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(std::size(wide)),
                 reinterpret_cast<LPARAM>(wide));
    return narrow(wide);
}

std::vector<std::string> listRows(HWND list) {
    std::vector<std::string> rows;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        wchar_t wide[1024] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) >=
            static_cast<LRESULT>(std::size(wide))) {
            rows.push_back("(too long)");
            continue;
        }
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(wide));
        rows.push_back(narrow(wide));
    }
    return rows;
}

bool isPictureControl(HWND control) {
    const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    return lstrcmpiA(classOf(control).c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP;
}

std::string describeControls(HWND window, const ToolPictures& pictures, const Pixels& screen,
                             const RECT& screenRect) {
    Children children;
    EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
    std::string out;
    for (HWND child : children.windows) {
        const int id = static_cast<short>(GetDlgCtrlID(child));
        const std::string kind = classOf(child);
        const auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        std::string line = "{\"id\":" + std::to_string(id) + ",\"class\":" + json(kind) +
                           ",\"text\":" + json(controlText(child)) +
                           ",\"enabled\":" + (IsWindowEnabled(child) ? "1" : "0");
        const DWORD buttonType = style & BS_TYPEMASK;
        if (lstrcmpiA(kind.c_str(), "Button") == 0 &&
            (buttonType == BS_CHECKBOX || buttonType == BS_AUTOCHECKBOX ||
             buttonType == BS_RADIOBUTTON || buttonType == BS_AUTORADIOBUTTON)) {
            line += ",\"checked\":" + std::to_string(SendMessageW(child, BM_GETCHECK, 0, 0));
        } else if (lstrcmpiA(kind.c_str(), "ListBox") == 0) {
            line += ",\"rows\":[";
            const std::vector<std::string> rows = listRows(child);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                line += (i == 0 ? "" : ",") + json(rows[i]);
            }
            line += "],\"selected\":" + std::to_string(SendMessageW(child, LB_GETCURSEL, 0, 0));
        } else if (lstrcmpiA(kind.c_str(), PROGRESS_CLASSA) == 0) {
            line += ",\"pos\":" + std::to_string(SendMessageW(child, PBM_GETPOS, 0, 0));
        } else if (isPictureControl(child)) {
            RECT rect;
            GetWindowRect(child, &rect);
            const bool shown = SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
            line += ",\"picture\":" +
                    json(shown ? pictures.identify(screen, rect.left - screenRect.left,
                                                   rect.top - screenRect.top)
                               : std::string("empty"));
        }
        out += line + "}\n";
    }
    return out;
}

}  // namespace driver

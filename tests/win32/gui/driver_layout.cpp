// Win32: the control places of a dialog template, read from the program file and mapped with
// MapDialogRect on a hidden dialog of the same font (the program's own dialog belongs to
// another process, where MapDialogRect does not reach).
#include "tests/win32/gui/driver_layout.h"

#include <cstdint>
#include <cstring>

namespace driver {

namespace {

// A cursor over the template's words; every read checks the end.
struct Reader {
    const unsigned char* data;
    std::size_t size;
    std::size_t at = 0;
    bool ok = true;

    std::uint16_t word() {
        if (at + 2 > size) {
            ok = false;
            return 0;
        }
        std::uint16_t value;
        std::memcpy(&value, data + at, 2);
        at += 2;
        return value;
    }
    std::uint32_t dword() {
        const std::uint32_t low = word();
        return low | static_cast<std::uint32_t>(word()) << 16;
    }
    std::wstring string() {
        std::wstring text;
        for (std::uint16_t c = word(); ok && c != 0; c = word()) {
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    // A name or an ordinal: 0 = none, 0xFFFF followed by a number, else a string.
    void nameOrOrdinal() {
        const std::uint16_t first = word();
        if (first == 0xFFFF) {
            word();
        } else if (first != 0) {
            string();
        }
    }
    void alignDword() { at = (at + 3) & ~static_cast<std::size_t>(3); }
};

INT_PTR CALLBACK quietDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

}  // namespace

// A hidden dialog of ours with the template's font, for MapDialogRect.
HWND fontDialog(const DialogLayout& layout) {
    std::vector<WORD> words(64 + layout.fontFace.size(), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | DS_SETFONT;
    std::size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD);
    words[at++] = 0;  // no menu
    words[at++] = 0;  // the standard dialog class
    words[at++] = 0;  // no title
    words[at++] = static_cast<WORD>(layout.pointSize);
    for (wchar_t c : layout.fontFace) {
        words[at++] = static_cast<WORD>(c);
    }
    words[at] = 0;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), header, nullptr, quietDialog, 0);
}

bool loadDialogLayout(const std::string& exe, const std::string& name, DialogLayout& layout,
                      std::string& reason) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        reason = "cannot read the program file " + exe;
        return false;
    }
    HRSRC resource = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        reason = "the program file has no dialog template " + name;
        return false;
    }
    Reader in{static_cast<const unsigned char*>(bytes), SizeofResource(module, resource)};
    const std::uint32_t style = in.dword();
    if ((style & 0xFFFF0000u) == 0xFFFF0000u) {
        reason = "template " + name + " is an extended template";
        return false;
    }
    in.dword();  // extended style
    const int count = in.word();
    for (int i = 0; i < 4; ++i) {
        in.word();  // x, y, cx, cy of the window
    }
    in.nameOrOrdinal();  // menu
    in.nameOrOrdinal();  // class
    in.string();         // title
    layout = DialogLayout{};
    if ((style & DS_SETFONT) != 0) {
        layout.pointSize = in.word();
        layout.fontFace = in.string();
    }
    for (int i = 0; i < count && in.ok; ++i) {
        in.alignDword();
        in.dword();  // style
        in.dword();  // extended style
        TemplateItem item;
        item.units.left = static_cast<std::int16_t>(in.word());
        item.units.top = static_cast<std::int16_t>(in.word());
        item.units.right = item.units.left + static_cast<std::int16_t>(in.word());
        item.units.bottom = item.units.top + static_cast<std::int16_t>(in.word());
        item.id = static_cast<std::int16_t>(in.word());
        in.nameOrOrdinal();  // class
        in.nameOrOrdinal();  // text
        const std::uint16_t extra = in.word();
        in.at += extra;
        layout.items.push_back(item);
    }
    if (!in.ok || static_cast<int>(layout.items.size()) != count) {
        reason = "template " + name + " ends before its last item";
        return false;
    }
    return true;
}

bool controlScreenRect(HWND window, const DialogLayout& layout, int id, RECT& rect,
                       std::string& reason) {
    const TemplateItem* found = nullptr;
    for (const TemplateItem& item : layout.items) {
        if (item.id == id) {
            found = &item;
            break;
        }
    }
    if (found == nullptr) {
        reason = "the template has no control " + std::to_string(id);
        return false;
    }
    HWND mapper = fontDialog(layout);
    rect = found->units;
    const bool mapped = mapper != nullptr && MapDialogRect(mapper, &rect);
    if (mapper != nullptr) {
        DestroyWindow(mapper);
    }
    if (!mapped) {
        reason = "MapDialogRect failed";
        return false;
    }
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&rect, origin.x, origin.y);
    return true;
}

}  // namespace driver

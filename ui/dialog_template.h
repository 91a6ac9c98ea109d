// Dialog templates as data: written once, rendered by the Qt program and turned into the
// Windows program's .rc resources. Positions and sizes are in dialog units.
#pragma once

#include <cstdint>

struct DialogItem {
    const char* windowClass;  // "BUTTON", "STATIC", "LISTBOX", "msctls_progress32"
    std::uint32_t style;      // window and control style bits, as Windows defines them
    int x;
    int y;
    int width;
    int height;
    const char* text;  // "" for none
    int id;            // -1 for labels and group boxes
};

struct DialogTemplate {
    const char* name;         // resource name: "CONNECTIONWINZR8", "PORTSCANWINZR8", "SERIALWINZR8"
    const char* windowClass;  // private window class, or null for the standard dialog class
    const char* title;
    std::uint32_t style;
    int x;
    int y;
    int width;
    int height;
    const char* fontName;
    int fontPointSize;
    const DialogItem* items;
    int itemCount;
};

// The template of that name, or null.
const DialogTemplate* findDialogTemplate(const char* name);

// All templates the program has, in a fixed order; count receives their number.
const DialogTemplate* const* allDialogTemplates(int& count);

// The item with that id in the template, or null (ids of -1 are never found).
const DialogItem* findDialogItem(const DialogTemplate& dialog, int id);

// The modules that announced themselves (identity records), and the "Modules:" list box that
// shows them, one line per module in ascending order of module type.
#pragma once

#include <cstdint>

#include "app/window_services.h"

constexpr int kModuleTypeCount = 128;
constexpr int kModuleNameSize = 256;

struct ModuleEntry {
    std::uint8_t present = 0;
    std::int16_t version = -1;
    char name[kModuleNameSize] = {};
};

struct ModuleRegistry {
    ModuleEntry entries[kModuleTypeCount];
    std::int16_t currentModuleType = -1;  // set by the identity record's first data byte
    std::int16_t listDirty = 0;           // changed since the list box was last rebuilt
    std::int16_t listCount = 0;           // lines the list box holds
};

ModuleRegistry& moduleRegistry();

// Display name of a module type; "Unknown I2C Device" for types without a name.
const char* moduleTypeName(int moduleType);

// Forgets every module (start-up and the Clear button). The dirty flag and the list count are
// left alone: the list box still holds what it held.
void resetModuleRegistry();

// Second data byte of an identity record: the version of the current module type.
void recordModuleVersion(std::uint8_t version);

// Rebuilds list box 1003 of the test window from the registry.
void refreshModuleList(WindowHandle window);

constexpr int kModuleListLineSize = 256;
// Line `index` of the module list as the registry has it now ("v3  -  ORVAN ZR8 Trim Modul"),
// which is what list box 1003 shows once the poll is done; 0 past the last line. For programs
// that show the list without a window.
int moduleListLine(int index, char (&line)[kModuleListLineSize]);

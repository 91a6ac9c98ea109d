// Module registry: which module types announced themselves, with their versions and names.
#include "protocol/module_registry.h"

#include <cstdio>

#include "ui/test_window_ids.h"

namespace {

struct ModuleName {
    int type;
    const char* name;
};

constexpr ModuleName kModuleNames[] = {
    {10, "ORVAN APX Autopilot"},       {11, "ORVAN DFD20 Pilot"},
    {12, "ORVAN DFD20 Copilot"},       {13, "ORVAN RH210 Mask Buttons"},
    {14, "ORVAN NX900NG Mask"},        {16, "ORVAN ZR8 Kestrel Modul 1"},
    {17, "ORVAN ZR8 Kestrel Modul 2"}, {18, "ORVAN ZR8 Swift Modul 1"},
    {19, "ORVAN ZR8 Swift Modul 2"},   {20, "ORVAN ZR8 Condor Modul 1"},
    {21, "ORVAN ZR8 Condor Modul 2"},  {22, "ORVAN ZR8 Heron Modul 1"},
    {23, "ORVAN ZR8 Heron Modul 2"},   {24, "ORVAN ZR8 Trim Modul"},
    {97, "ORVAN ZR8 HOBBS Modul"},     {98, "ORVAN ZR8 PowerQuadrant Modul"},
    {99, "ORVAN ZR8 LDG Gear Modul"},
};

}  // namespace

ModuleRegistry& moduleRegistry() {
    static ModuleRegistry registry;
    return registry;
}

const char* moduleTypeName(int moduleType) {
    for (const ModuleName& row : kModuleNames) {
        if (row.type == moduleType) {
            return row.name;
        }
    }
    return "Unknown I2C Device";
}

void resetModuleRegistry() {
    ModuleRegistry& registry = moduleRegistry();
    for (ModuleEntry& entry : registry.entries) {
        entry.version = -1;
        entry.name[0] = '\0';
        entry.present = 0;
    }
    registry.currentModuleType = -1;
}

void recordModuleVersion(std::uint8_t version) {
    ModuleRegistry& registry = moduleRegistry();
    const int type = registry.currentModuleType;
    if (type < 0 || type >= kModuleTypeCount) {
        return;  // no identity record in progress (Clear came between its two bytes)
    }
    ModuleEntry& entry = registry.entries[type];
    if (entry.present != 0 && entry.version != version) {
        registry.listDirty = 1;
    }
    entry.version = version;
    if (entry.present != 0) {
        return;
    }
    entry.present = 1;
    registry.listDirty = 1;
    std::snprintf(entry.name, sizeof entry.name, "%s", moduleTypeName(type));
}

namespace {

void formatModuleListLine(const ModuleEntry& entry, char (&line)[kModuleListLineSize]) {
    // A name never comes near the limit; the bound keeps the line inside its buffer anyway.
    std::snprintf(line, sizeof line, "v%d  -  %.240s", entry.version, entry.name);
}

}  // namespace

int moduleListLine(int index, char (&line)[kModuleListLineSize]) {
    int present = 0;
    for (const ModuleEntry& entry : moduleRegistry().entries) {
        if (entry.present != 0 && present++ == index) {
            formatModuleListLine(entry, line);
            return 1;
        }
    }
    return 0;
}

void refreshModuleList(WindowHandle window) {
    ModuleRegistry& registry = moduleRegistry();
    WindowServices& services = windowServices();
    for (int line = 0; line < registry.listCount; ++line) {
        services.listDeleteString(window, kModuleListId, 0);
    }
    registry.listCount = 0;
    registry.listDirty = 0;
    char line[kModuleListLineSize];
    for (const ModuleEntry& entry : registry.entries) {
        if (entry.present == 0) {
            continue;
        }
        formatModuleListLine(entry, line);
        services.listAddString(window, kModuleListId, line);
        registry.listCount = static_cast<std::int16_t>(registry.listCount + 1);
    }
}

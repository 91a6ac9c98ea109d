// One thing the panel did, as the monitor reports it: a slot that took a new value, a module that
// announced itself, or a new mainboard identification.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class MonitorEventKind : std::uint8_t { Slot, Module, Mainboard };

struct MonitorEvent {
    MonitorEventKind kind = MonitorEventKind::Slot;
    double seconds = 0.0;  // since the monitor started (or since the capture started)

    // Slot: its number, old and new value, and both in words as the test window shows them.
    int slot = -1;
    std::int32_t oldValue = -1;  // the trim counter for the elevator trim, else the slot value
    std::int32_t newValue = -1;
    std::string oldText;
    std::string newText;

    // Module: type, version and display name.
    int moduleType = -1;
    int version = -1;
    std::string moduleName;

    // Mainboard: the "Mainboard:" read-out text.
    std::string mainboard;

    // The record's bytes up to the one that made the change (the last kMaxRawBytes of them).
    std::vector<std::uint8_t> raw;
};

constexpr std::size_t kMaxRawBytes = 32;

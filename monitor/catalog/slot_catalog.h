// What each indicator slot is on the panel: the module that reports it, the group box and label
// that the test window shows it under, and the words for its values.
#pragma once

#include <cstdint>
#include <string>

#include "ui/slot_table.h"

// The rows are the slot table's (ui/slot_table.h).
using SlotInfo = SlotRow;
constexpr int kCatalogSlotCount = kSlotTableSize;

// The slot's row; slot must be 0..46.
const SlotInfo& slotInfo(int slot);

// "Single - Panel 1 / BATT MASTER"
std::string slotName(int slot);

// Number of values the slot's kind has words for (2 or 3, 4 for the selector, 128 for the
// rudder trim); 0 for the elevator trim and the analogue channels, whose values are not a list.
int slotValueCount(SlotKind kind);

// The word for a value of a switch, selector or lamp kind ("down", "middle", "lit", "12 o'clock",
// ...); "-" for -1 (not reported yet); "no position (5)" for a value the kind has no word for.
std::string switchValueText(SlotKind kind, std::int16_t value);

// A slot's value in words, as the test window shows it: switch words for pictures, the number for
// the rudder trim, "step +1, counter 8" for the elevator trim, the read-out text ("63.7") for an
// analogue channel, and "-" for -1 whatever the kind.
std::string slotValueText(int slot, std::int16_t value, std::int32_t trimCounter, float fullScale);

// Display name of a module type that reports slots ("Single - Panel 1"); null for other types.
const char* moduleGroupBox(int moduleType);

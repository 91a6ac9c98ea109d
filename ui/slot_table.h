// The indicator slots as the panel and the test window have them: for each slot the module
// whose reports set it, the control that shows it and its image family, the group box and the
// label a technician reads on the panel, and what kind of thing it is (which gives the words
// for its values). One table, read by the indicator display, the terminal monitor and the tests.
#pragma once

#include <cstdint>

enum class SlotKind : std::uint8_t {
    TwoWayVertical,      // 0 "down", 1 "up"
    ThreeWayVertical,    // 0 "down", 1 "middle", 2 "up"
    ThreeWayHorizontal,  // 0 "left", 1 "middle", 2 "right"
    Selector,            // four positions 0..3; 4..6 are no position
    Lamp,                // 0 "off", 1 "lit"
    RudderTrim,          // 0..127: a dial turned once every 12 steps, and the number
    ElevatorTrim,        // direction of the last step (0 lowered, 1 raised the trim counter)
    AnalogueChannel,     // 0..2047 against the full-scale value: a read-out and a bar
};

struct SlotRow {
    int slot;
    int moduleType;        // the module whose reports set the slot (16..19, 24, 98, 99)
    int controlId;         // the picture control; for an analogue channel its read-out
    std::int16_t family;   // image family of the picture; -1 for an analogue channel
    const char* groupBox;  // "Single - Panel 1"
    const char* label;     // "BATT MASTER"; the two channels under one lever label numbered
    SlotKind kind;
};

constexpr int kSlotTableSize = 47;

// The slot's row; slot must be 0..46.
const SlotRow& slotRow(int slot);

// The words for the values of a switch, selector or lamp kind, in value order, and how many
// there are; null (and count 0) for the kinds whose values are numbers.
const char* const* slotValueWords(SlotKind kind, int& count);

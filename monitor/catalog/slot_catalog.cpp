// The slot catalog: names and values of the indicator slots in words, over the slot table.
#include "monitor/catalog/slot_catalog.h"

#include <cstdio>

namespace {

using K = SlotKind;

std::string number(long long value) {
    return std::to_string(value);
}

}  // namespace

const SlotInfo& slotInfo(int slot) {
    return slotRow(slot);
}

std::string slotName(int slot) {
    const SlotInfo& info = slotInfo(slot);
    return std::string(info.groupBox) + " / " + info.label;
}

int slotValueCount(SlotKind kind) {
    if (kind == K::RudderTrim) {
        return 128;
    }
    int count = 0;
    slotValueWords(kind, count);
    return count;
}

std::string switchValueText(SlotKind kind, std::int16_t value) {
    if (value == -1) {
        return "-";
    }
    int count = 0;
    const char* const* words = slotValueWords(kind, count);
    if (words == nullptr) {
        return number(value);
    }
    if (value < 0 || value >= count) {
        return "no position (" + number(value) + ")";
    }
    return words[value];
}

std::string slotValueText(int slot, std::int16_t value, std::int32_t trimCounter, float fullScale) {
    if (value == -1) {
        return "-";
    }
    const SlotKind kind = slotInfo(slot).kind;
    switch (kind) {
        case K::RudderTrim:
            return number(value);
        case K::ElevatorTrim:
            if (value == 0 || value == 1) {
                return std::string(value == 1 ? "step +1" : "step -1") + ", counter " +
                       number(trimCounter);
            }
            return "no direction (" + number(value) + "), counter " + number(trimCounter);
        case K::AnalogueChannel: {
            // The read-out's own arithmetic: the share of full scale times 127, kept as a float.
            const auto shown = static_cast<float>(static_cast<double>(value) /
                                                  static_cast<double>(fullScale) * 127.0);
            char text[64];
            std::snprintf(text, sizeof text, "%.1f", static_cast<double>(shown));
            return text;
        }
        default:
            return switchValueText(kind, value);
    }
}

const char* moduleGroupBox(int moduleType) {
    for (int slot = 0; slot < kSlotTableSize; ++slot) {
        if (slotRow(slot).moduleType == moduleType) {
            return slotRow(slot).groupBox;
        }
    }
    return nullptr;
}

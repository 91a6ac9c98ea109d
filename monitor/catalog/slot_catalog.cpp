// The slot catalog: one row per indicator slot, in slot order.
#include "monitor/catalog/slot_catalog.h"

#include <cstdio>

namespace {

constexpr const char* kSingle1 = "Single - Panel 1";
constexpr const char* kSingle2 = "Single - Panel 2";
constexpr const char* kTwin1 = "Twin - Panel 1";
constexpr const char* kTwin2 = "Twin - Panel 2";
constexpr const char* kTrim = "Trim - Panel";
constexpr const char* kGear = "LND-Gear - Panel";
constexpr const char* kQuadrant = "Power Quadrant";

using K = SlotKind;

// Row n is slot n. Two channels stand under each lever label; the number tells them apart.
constexpr SlotInfo kSlots[kCatalogSlotCount] = {
    {0, 18, kSingle1, "BATT MASTER", K::TwoWayVertical},
    {1, 18, kSingle1, "ALTERN ATOR", K::TwoWayVertical},
    {2, 18, kSingle1, "RADIO MASTER", K::TwoWayVertical},
    {3, 18, kSingle1, "MAG LEFT", K::TwoWayVertical},
    {4, 18, kSingle1, "MAG RIGHT", K::TwoWayVertical},
    {5, 18, kSingle1, "STARTER", K::TwoWayVertical},
    {6, 18, kSingle1, "FUEL PUMP", K::TwoWayVertical},
    {7, 19, kSingle2, "NAV", K::TwoWayVertical},
    {8, 19, kSingle2, "LIGHTS STROBE", K::TwoWayVertical},
    {9, 19, kSingle2, "LANDING", K::TwoWayVertical},
    {10, 19, kSingle2, "PITOT HEAT", K::TwoWayVertical},
    {11, 19, kSingle2, "ALT STAT AIR", K::TwoWayVertical},
    {12, 19, kSingle2, "COWL FLAPS", K::ThreeWayVertical},
    {13, 19, kSingle2, "FUEL SELECTOR", K::Selector},
    {14, 16, kTwin1, "BATT MASTER", K::TwoWayVertical},
    {15, 16, kTwin1, "ALTERNATOR LEFT", K::TwoWayVertical},
    {16, 16, kTwin1, "ALTERNATOR RIGHT", K::TwoWayVertical},
    {17, 16, kTwin1, "RADIO MASTER", K::TwoWayVertical},
    {18, 16, kTwin1, "MAG L. LEFT", K::TwoWayVertical},
    {19, 16, kTwin1, "MAG L. RIGHT", K::TwoWayVertical},
    {20, 16, kTwin1, "STARTER", K::ThreeWayHorizontal},
    {21, 16, kTwin1, "MAG R. LEFT", K::TwoWayVertical},
    {22, 16, kTwin1, "MAG R. RIGHT", K::TwoWayVertical},
    {23, 16, kTwin1, "FUEL BOOST LEFT", K::TwoWayVertical},
    {24, 16, kTwin1, "FUEL BOOST RIGHT", K::TwoWayVertical},
    {25, 17, kTwin2, "NAV", K::TwoWayVertical},
    {26, 17, kTwin2, "LIGHTS STROBE", K::TwoWayVertical},
    {27, 17, kTwin2, "LANDING", K::TwoWayVertical},
    {28, 17, kTwin2, "PITOT HEAT", K::TwoWayVertical},
    {29, 17, kTwin2, "ALT STAT AIR", K::TwoWayVertical},
    {30, 17, kTwin2, "COWL FLAPS LEFT", K::ThreeWayVertical},
    {31, 17, kTwin2, "COWL FLAPS RIGHT", K::ThreeWayVertical},
    {32, 17, kTwin2, "FUEL SELECTOR LEFT", K::ThreeWayVertical},
    {33, 17, kTwin2, "FUEL SELECTOR RIGHT", K::ThreeWayVertical},
    {34, 24, kTrim, "RUDDER TRIM", K::RudderTrim},
    {35, 24, kTrim, "ELEV TRIM", K::ElevatorTrim},
    {36, 99, kGear, "WARN HORN", K::Lamp},
    {37, 99, kGear, "HANDLE", K::TwoWayVertical},
    {38, 99, kGear, "FLAPS", K::ThreeWayVertical},
    {39, 99, kGear, "PARKBRAKE", K::Lamp},
    {40, 98, kQuadrant, "THROTTLE 1", K::AnalogueChannel},
    {41, 98, kQuadrant, "THROTTLE 2", K::AnalogueChannel},
    {42, 98, kQuadrant, "PROPELLER 1", K::AnalogueChannel},
    {43, 98, kQuadrant, "PROPELLER 2", K::AnalogueChannel},
    {44, 98, kQuadrant, "MIXTURES 1", K::AnalogueChannel},
    {45, 98, kQuadrant, "MIXTURES 2", K::AnalogueChannel},
    {46, 98, kQuadrant, "TOGA", K::Lamp},
};

constexpr const char* kTwoWayVertical[] = {"down", "up"};
constexpr const char* kThreeWayVertical[] = {"down", "middle", "up"};
constexpr const char* kThreeWayHorizontal[] = {"left", "middle", "right"};
constexpr const char* kSelector[] = {"9 o'clock", "half past 10", "12 o'clock", "half past 1"};
constexpr const char* kLamp[] = {"off", "lit"};

std::string number(long long value) {
    return std::to_string(value);
}

}  // namespace

const SlotInfo& slotInfo(int slot) {
    return kSlots[slot];
}

std::string slotName(int slot) {
    const SlotInfo& info = slotInfo(slot);
    return std::string(info.groupBox) + " / " + info.label;
}

int slotValueCount(SlotKind kind) {
    switch (kind) {
        case K::TwoWayVertical:
        case K::Lamp:
            return 2;
        case K::ThreeWayVertical:
        case K::ThreeWayHorizontal:
            return 3;
        case K::Selector:
            return 4;
        case K::RudderTrim:
            return 128;
        case K::ElevatorTrim:
        case K::AnalogueChannel:
            return 0;
    }
    return 0;
}

std::string switchValueText(SlotKind kind, std::int16_t value) {
    if (value == -1) {
        return "-";
    }
    const char* const* words = nullptr;
    switch (kind) {
        case K::TwoWayVertical:
            words = kTwoWayVertical;
            break;
        case K::ThreeWayVertical:
            words = kThreeWayVertical;
            break;
        case K::ThreeWayHorizontal:
            words = kThreeWayHorizontal;
            break;
        case K::Selector:
            words = kSelector;
            break;
        case K::Lamp:
            words = kLamp;
            break;
        default:
            return number(value);
    }
    if (value < 0 || value >= slotValueCount(kind)) {
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
    for (const SlotInfo& info : kSlots) {
        if (info.moduleType == moduleType) {
            return info.groupBox;
        }
    }
    return nullptr;
}

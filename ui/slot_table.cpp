// The slot table: one row per indicator slot, in slot order.
#include "ui/slot_table.h"

#include "ui/test_window_ids.h"

namespace {

constexpr const char* kSingle1 = "Single - Panel 1";
constexpr const char* kSingle2 = "Single - Panel 2";
constexpr const char* kTwin1 = "Twin - Panel 1";
constexpr const char* kTwin2 = "Twin - Panel 2";
constexpr const char* kTrim = "Trim - Panel";
constexpr const char* kGear = "LND-Gear - Panel";
constexpr const char* kQuadrant = "Power Quadrant";

using K = SlotKind;

// Row n is slot n. Labels as the panel reads: the window writes "ALTERNATOR" over two lines of
// the single panel ("ALTERN", "ATOR"), and spans "MAG L.", "FUEL BOOST", ... over two columns
// of the twin panels, whose own labels say "LEFT" or "RIGHT".
constexpr SlotRow kSlots[kSlotTableSize] = {
    {0, 18, 2000, 0, kSingle1, "BATT MASTER", K::TwoWayVertical},
    {1, 18, 2001, 0, kSingle1, "ALTERNATOR", K::TwoWayVertical},
    {2, 18, 2002, 0, kSingle1, "RADIO MASTER", K::TwoWayVertical},
    {3, 18, 2003, 0, kSingle1, "MAG LEFT", K::TwoWayVertical},
    {4, 18, 2004, 0, kSingle1, "MAG RIGHT", K::TwoWayVertical},
    {5, 18, 2005, 0, kSingle1, "STARTER", K::TwoWayVertical},
    {6, 18, 2006, 0, kSingle1, "FUEL PUMP", K::TwoWayVertical},
    {7, 19, 2020, 0, kSingle2, "NAV", K::TwoWayVertical},
    {8, 19, 2021, 0, kSingle2, "LIGHTS STROBE", K::TwoWayVertical},
    {9, 19, 2022, 0, kSingle2, "LANDING", K::TwoWayVertical},
    {10, 19, 2023, 0, kSingle2, "PITOT HEAT", K::TwoWayVertical},
    {11, 19, 2024, 0, kSingle2, "ALT STAT AIR", K::TwoWayVertical},
    {12, 19, 2025, 1, kSingle2, "COWL FLAPS", K::ThreeWayVertical},
    {13, 19, 2026, 4, kSingle2, "FUEL SELECTOR", K::Selector},
    {14, 16, 2100, 0, kTwin1, "BATT MASTER", K::TwoWayVertical},
    {15, 16, 2101, 0, kTwin1, "ALTERNATOR LEFT", K::TwoWayVertical},
    {16, 16, 2102, 0, kTwin1, "ALTERNATOR RIGHT", K::TwoWayVertical},
    {17, 16, 2103, 0, kTwin1, "RADIO MASTER", K::TwoWayVertical},
    {18, 16, 2104, 0, kTwin1, "MAG L. LEFT", K::TwoWayVertical},
    {19, 16, 2105, 0, kTwin1, "MAG L. RIGHT", K::TwoWayVertical},
    {20, 16, 2106, 3, kTwin1, "STARTER", K::ThreeWayHorizontal},
    {21, 16, 2107, 0, kTwin1, "MAG R. LEFT", K::TwoWayVertical},
    {22, 16, 2108, 0, kTwin1, "MAG R. RIGHT", K::TwoWayVertical},
    {23, 16, 2109, 0, kTwin1, "FUEL BOOST LEFT", K::TwoWayVertical},
    {24, 16, 2110, 0, kTwin1, "FUEL BOOST RIGHT", K::TwoWayVertical},
    {25, 17, 2120, 0, kTwin2, "NAV", K::TwoWayVertical},
    {26, 17, 2121, 0, kTwin2, "LIGHTS STROBE", K::TwoWayVertical},
    {27, 17, 2122, 0, kTwin2, "LANDING", K::TwoWayVertical},
    {28, 17, 2123, 0, kTwin2, "PITOT HEAT", K::TwoWayVertical},
    {29, 17, 2124, 0, kTwin2, "ALT STAT AIR", K::TwoWayVertical},
    {30, 17, 2125, 1, kTwin2, "COWL FLAPS LEFT", K::ThreeWayVertical},
    {31, 17, 2126, 1, kTwin2, "COWL FLAPS RIGHT", K::ThreeWayVertical},
    {32, 17, 2127, 1, kTwin2, "FUEL SELECTOR LEFT", K::ThreeWayVertical},
    {33, 17, 2128, 1, kTwin2, "FUEL SELECTOR RIGHT", K::ThreeWayVertical},
    {34, 24, kRudderTrimPictureId, 6, kTrim, "RUDDER TRIM", K::RudderTrim},
    {35, 24, kElevatorTrimPictureId, 7, kTrim, "ELEV TRIM", K::ElevatorTrim},
    {36, 99, 2300, 5, kGear, "WARN HORN", K::Lamp},
    {37, 99, 2301, 0, kGear, "HANDLE", K::TwoWayVertical},
    {38, 99, 2312, 1, kGear, "FLAPS", K::ThreeWayVertical},
    {39, 99, 2313, 5, kGear, "PARKBRAKE", K::Lamp},
    {40, 98, kFirstChannelReadoutId + 0, -1, kQuadrant, "THROTTLE 1", K::AnalogueChannel},
    {41, 98, kFirstChannelReadoutId + 1, -1, kQuadrant, "THROTTLE 2", K::AnalogueChannel},
    {42, 98, kFirstChannelReadoutId + 2, -1, kQuadrant, "PROPELLER 1", K::AnalogueChannel},
    {43, 98, kFirstChannelReadoutId + 3, -1, kQuadrant, "PROPELLER 2", K::AnalogueChannel},
    {44, 98, kFirstChannelReadoutId + 4, -1, kQuadrant, "MIXTURES 1", K::AnalogueChannel},
    {45, 98, kFirstChannelReadoutId + 5, -1, kQuadrant, "MIXTURES 2", K::AnalogueChannel},
    {46, 98, kTogaPictureId, 5, kQuadrant, "TOGA", K::Lamp},
};

constexpr const char* kTwoWayVertical[] = {"down", "up"};
constexpr const char* kThreeWayVertical[] = {"down", "middle", "up"};
constexpr const char* kThreeWayHorizontal[] = {"left", "middle", "right"};
constexpr const char* kSelector[] = {"9 o'clock", "half past 10", "12 o'clock", "half past 1"};
constexpr const char* kLamp[] = {"off", "lit"};

template <int N>
const char* const* words(const char* const (&list)[N], int& count) {
    count = N;
    return list;
}

}  // namespace

const SlotRow& slotRow(int slot) {
    return kSlots[slot];
}

const char* const* slotValueWords(SlotKind kind, int& count) {
    switch (kind) {
        case K::TwoWayVertical:
            return words(kTwoWayVertical, count);
        case K::ThreeWayVertical:
            return words(kThreeWayVertical, count);
        case K::ThreeWayHorizontal:
            return words(kThreeWayHorizontal, count);
        case K::Selector:
            return words(kSelector, count);
        case K::Lamp:
            return words(kLamp, count);
        case K::RudderTrim:
        case K::ElevatorTrim:
        case K::AnalogueChannel:
            break;
    }
    count = 0;
    return nullptr;
}

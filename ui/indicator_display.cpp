// Slot-to-control drawing of the test window's indicators.
#include "ui/indicator_display.h"

#include <cstdio>

#include "app/shell_state.h"
#include "ui/slot_table.h"
#include "ui/test_window_ids.h"

namespace {

struct ImageFamily {
    int firstIndex;      // bitmap table index of the no-value picture
    int valuedPictures;  // value k shows the picture k + 1 places after it
};

constexpr ImageFamily kImageFamilies[kImageFamilyCount] = {
    {0, 2},    // two-position switch, vertical
    {3, 3},    // three-position switch, vertical
    {7, 2},    // two-position switch, horizontal
    {10, 3},   // three-position switch, horizontal
    {17, 4},   // four-position rotary selector
    {14, 2},   // lamp
    {22, 12},  // dial with one hand
    {35, 2},   // direction of the last trim step
};
constexpr std::int16_t kLampFamily = 5;

static_assert(kSlotTableSize == kSlotCount, "one row of the slot table per slot");

void setNumberText(WindowHandle window, int controlId, bool noValue, long value) {
    char text[256];
    if (noValue) {
        text[0] = '-';
        text[1] = '\0';
    } else {
        std::snprintf(text, sizeof text, "%ld", value);
    }
    windowServices().setItemText(window, controlId, text);
}

void drawRudderTrim(WindowHandle window, std::int16_t shown) {
    // One turn of the dial every 12 steps; -1 keeps its sign and shows the no-value picture.
    setIndicatorImage(window, kRudderTrimPictureId, 6, static_cast<std::int16_t>(shown % 12));
    setNumberText(window, kRudderTrimReadoutId, shown == kNoSlotValue, shown);
}

void drawElevatorTrim(WindowHandle window, std::int16_t shown, std::int32_t counter) {
    setIndicatorImage(window, kElevatorTrimPictureId, 7, shown);
    setNumberText(window, kTrimCounterReadoutId, shown == kNoSlotValue, counter);
}

void drawAnalogueChannel(WindowHandle window, int channel, std::int16_t shown) {
    const int readoutId = kFirstChannelReadoutId + channel;
    const int barId = kFirstProgressBarId + channel;
    WindowServices& services = windowServices();
    if (shown == kNoSlotValue) {
        services.setItemText(window, readoutId, "-");
        services.setProgressPosition(window, barId, 0);
        return;
    }
    const double fullScale = reportState().fullScale;
    const float x = static_cast<float>(shown / fullScale * 127.0);
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(x));
    services.setItemText(window, readoutId, text);
    // Rounded to the nearest position, halves up; a bar holds positions above its range at full.
    services.setProgressPosition(window, barId, static_cast<int>(static_cast<double>(x) + 0.5));
}

}  // namespace

IndicatorDisplayState& indicatorDisplay() {
    static IndicatorDisplayState state;
    return state;
}

void clearShownSlots() {
    for (std::int16_t& slot : indicatorDisplay().shownSlots) {
        slot = kNoSlotValue;
    }
}

int setIndicatorImage(WindowHandle window, int controlId, std::int16_t family, std::int16_t value) {
    const ImageFamily& images =
        kImageFamilies[(family >= 0 && family < kImageFamilyCount) ? family : kLampFamily];
    int index = images.firstIndex;
    if (value >= 0 && value < images.valuedPictures) {
        index += value + 1;
    }
    windowServices().setItemImage(window, controlId, shellState().bitmaps[index]);
    return 1;
}

void updateIndicators(WindowHandle window, std::int16_t force) {
    IndicatorDisplayState& display = indicatorDisplay();
    const ReportState& received = reportState();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const SlotRow& row = slotRow(slot);
        bool update = force != 0 || received.receivedSlots[slot] != display.shownSlots[slot];
        if (row.kind == SlotKind::ElevatorTrim) {
            // A step in the same direction as the last one changes only the counter.
            update = update || display.shownTrimCounter != received.trimCounter;
        }
        if (!update) {
            continue;
        }
        display.shownSlots[slot] = received.receivedSlots[slot];
        const std::int16_t shown = display.shownSlots[slot];
        switch (row.kind) {
            case SlotKind::RudderTrim:
                drawRudderTrim(window, shown);
                break;
            case SlotKind::ElevatorTrim:
                display.shownTrimCounter = received.trimCounter;
                drawElevatorTrim(window, shown, display.shownTrimCounter);
                break;
            case SlotKind::AnalogueChannel:
                drawAnalogueChannel(window, slot - kFirstAnalogueSlot, shown);
                break;
            default:
                setIndicatorImage(window, row.controlId, row.family, shown);
                break;
        }
    }
}

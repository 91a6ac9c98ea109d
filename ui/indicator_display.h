// The indicator display: draws the received slots of the panel modules into the test window's
// pictures, read-outs and bars, redrawing only what changed since it was last drawn.
#pragma once

#include <cstdint>

#include "app/window_services.h"
#include "protocol/report_state.h"

constexpr int kImageFamilyCount = 8;

struct IndicatorDisplayState {
    std::int16_t shownSlots[kSlotCount];
    std::int32_t shownTrimCounter = 0;

    IndicatorDisplayState() {
        for (std::int16_t& slot : shownSlots) {
            slot = kNoSlotValue;
        }
    }
};

IndicatorDisplayState& indicatorDisplay();

// Start-up and Clear: every shown slot back to "not drawn yet".
void clearShownSlots();

// Sets the picture of family for value on the control: the family's no-value picture for -1,
// any other negative value and any value past its last picture. A family outside 0..7 is drawn
// as the lamp family.
int setIndicatorImage(WindowHandle window, int controlId, std::int16_t family, std::int16_t value);

// Brings every indicator control in line with the received slots: all of them when force is
// non-zero, else only the slots whose received value differs from the shown one.
void updateIndicators(WindowHandle window, std::int16_t force);

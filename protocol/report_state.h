// What the panel modules reported: the received indicator slots, the trim counter and the
// full-scale value of the analogue channels. Written by the report decoders only.
#pragma once

#include <cstdint>

constexpr int kSlotCount = 47;
constexpr int kAnalogueChannelCount = 6;
constexpr int kFirstAnalogueSlot = 40;
constexpr std::int16_t kNoSlotValue = -1;

struct ReportState {
    std::int16_t receivedSlots[kSlotCount];
    std::int32_t trimCounter = 0;  // running count of elevator-trim steps, never reset
    float fullScale = 255.0f;      // set by every complete analogue channel report
    // First data byte of each channel's report, kept until its second byte arrives.
    std::uint16_t channelFirstBytes[kAnalogueChannelCount] = {};

    ReportState() {
        for (std::int16_t& slot : receivedSlots) {
            slot = kNoSlotValue;
        }
    }
};

ReportState& reportState();

// Start-up and the Clear button: every received slot back to "not reported yet". The trim
// counter, the full-scale value and the channel first bytes keep their values.
void clearReceivedSlots();

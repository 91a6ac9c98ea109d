// Output frames: the 11-byte checksummed commands that drive the trim indicator, the gear
// lights and the hobbs meter.
//
//   0: 0x78  1: 9 (bytes that follow)  2: module type  3: 0  4: header checksum over 1..3
//   5: command byte  6..9: data bytes  10: checksum over 1..9
#pragma once

#include <cstdint>

#include "protocol/frame_checksum.h"

enum class OutputFrameKind : std::int16_t {
    TrimIndicator = 0,  // trim module, type 24
    GearLights = 1,     // landing-gear module, type 99
    HobbsMeter = 2,     // hobbs module, type 97
};

struct OutputState {
    std::int16_t trimIndicatorOn = 0;
    std::int16_t trimIndicatorStep = 1;  // 1..20, clamped by the test window
    std::int16_t leftGearLight = 0;      // 0 off, 1 red, 2 green
    std::int16_t noseGearLight = 0;
    std::int16_t rightGearLight = 0;
    std::int16_t lightsDimmed = 0;
    std::int16_t hobbsOn = 0;
};

OutputState& outputState();

// Fills frame for kind from the current output state. Returns 0 (frame untouched) for a kind
// other than the three above.
int buildOutputFrame(OutputFrameKind kind, std::uint8_t (&frame)[kOutputFrameSize]);

// Builds the frame of that kind and writes it to the device link. 1 when the write was issued;
// 0 for an unknown kind or when no port or adapter is open.
int sendOutputFrame(OutputFrameKind kind);

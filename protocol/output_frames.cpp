// Building, checksumming and sending the output frames.
#include "protocol/output_frames.h"

#include "link/device_link.h"

namespace {

constexpr std::uint8_t kStartOfFrame = 0x78;

std::uint8_t gearLightCode(std::int16_t choice) {
    if (choice == 0) {
        return 0;  // off
    }
    return choice == 1 ? 3 : 2;  // red, else green
}

// Steps 1..20 spread over 0..255. Computed in single precision and truncated, which for these
// steps gives exactly floor((step - 1) * 255 / 19): step 10 is 120, not the rounded 121.
std::uint8_t trimPositionByte(std::int16_t step) {
    const float position = static_cast<float>((step - 1) / 19.0 * 255.0);
    // Any 16-bit step lands well inside int, so the conversion is defined; only the low 8 bits
    // travel.
    return static_cast<std::uint8_t>(static_cast<int>(position) & 0xFF);
}

}  // namespace

OutputState& outputState() {
    static OutputState state;
    return state;
}

int buildOutputFrame(OutputFrameKind kind, std::uint8_t (&frame)[kOutputFrameSize]) {
    const OutputState& out = outputState();
    std::uint8_t type = 0;
    std::uint8_t command = 0;
    std::uint8_t data[4] = {0, 0, 0, 0};
    switch (kind) {
        case OutputFrameKind::TrimIndicator:
            type = 24;
            command = 0x59;
            data[0] = out.trimIndicatorOn != 0 ? 1 : 0;
            data[1] = trimPositionByte(out.trimIndicatorStep);
            break;
        case OutputFrameKind::GearLights:
            // The wire order is nose, left, dimming, right.
            type = 99;
            command = 0x20;
            data[0] = gearLightCode(out.noseGearLight);
            data[1] = gearLightCode(out.leftGearLight);
            data[2] = static_cast<std::uint8_t>(out.lightsDimmed & 0xFF);
            data[3] = gearLightCode(out.rightGearLight);
            break;
        case OutputFrameKind::HobbsMeter:
            type = 97;
            command = 0x02;
            data[3] = out.hobbsOn != 0 ? 1 : 0;
            break;
        default:
            return 0;
    }
    frame[0] = kStartOfFrame;
    frame[1] = kOutputFrameSize - 2;
    frame[2] = type;
    frame[3] = 0;
    frameChecksum(frame, 4);
    frame[5] = command;
    for (int i = 0; i < 4; ++i) {
        frame[6 + i] = data[i];
    }
    frameChecksum(frame, 10);
    return 1;
}

int sendOutputFrame(OutputFrameKind kind) {
    std::uint8_t frame[kOutputFrameSize];
    if (buildOutputFrame(kind, frame) == 0) {
        return 0;
    }
    return writeDeviceLink(frame, kOutputFrameSize);
}

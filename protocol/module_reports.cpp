// Bit-to-slot decoding of the module input reports (commands 16..19, 24, 98, 99).
#include "protocol/module_reports.h"

#include "protocol/report_state.h"

namespace {

constexpr std::uint8_t kTrimStepSubCode = 45;    // '-'
constexpr std::uint8_t kRudderTrimSubCode = 46;  // '.'
constexpr std::uint8_t kGearStateSubCode = 4;
constexpr std::uint8_t kToggleSubCode = 58;  // ':' — the TOGA switch of the quadrant
constexpr int kRudderTrimSlot = 34;
constexpr int kTrimDirectionSlot = 35;
constexpr int kTogaSlot = 46;

std::int16_t bit(std::uint8_t payload, int n) {
    return static_cast<std::int16_t>((payload >> n) & 1);
}

// Two-bit switch: A set wins (2), else B set (0), else neither (1).
std::int16_t threePosition(std::uint8_t payload, int bitA, int bitB) {
    if (bit(payload, bitA) != 0) {
        return 2;
    }
    return bit(payload, bitB) != 0 ? 0 : 1;
}

void setSlot(int slot, std::int16_t value) {
    reportState().receivedSlots[slot] = value;
}

// The first data byte of every report is its sub-code.
bool takeSubCode(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                 std::int16_t& counter) {
    if (counter != 0) {
        return false;
    }
    subCode = payload;
    consumed = 1;
    counter = 1;
    return true;
}

// Shared frame of the four switch panels: two data bytes after the sub-code, then the record
// ends. decodeByte returns whether the byte carried anything.
template <typename DecodeByte>
std::int16_t decodeSwitchPanel(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                               std::int16_t& counter, DecodeByte decodeByte) {
    if (takeSubCode(payload, consumed, subCode, counter)) {
        return 0;
    }
    if (counter >= 3 || counter < 0) {
        return 0;
    }
    consumed = 1;
    const bool decoded = decodeByte(counter, payload);
    counter = static_cast<std::int16_t>(counter + 1);
    return decoded ? 1 : 0;
}

int analogueChannelOf(std::uint8_t subCode) {
    switch (subCode) {
        case 3:
            return 0;
        case 8:
            return 1;
        case 9:
            return 2;
        case 10:
            return 3;
        case 11:
            return 4;
        case 12:
            return 5;
        default:
            return -1;
    }
}

}  // namespace

std::int16_t decodeReport18(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter) {
    return decodeSwitchPanel(payload, consumed, subCode, counter, [](int byte, std::uint8_t p) {
        if (byte != 1) {
            return false;  // the second data byte is accepted and ignored
        }
        for (int n = 0; n <= 6; ++n) {
            setSlot(n, bit(p, n));
        }
        return true;
    });
}

std::int16_t decodeReport19(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter) {
    return decodeSwitchPanel(payload, consumed, subCode, counter, [](int byte, std::uint8_t p) {
        if (byte == 1) {
            setSlot(10, bit(p, 0));
            setSlot(11, bit(p, 1));
            // The fuel selector is the one switch with more than three positions.
            setSlot(13, static_cast<std::int16_t>(bit(p, 3) + 2 * bit(p, 4) + 3 * bit(p, 5)));
        } else {
            setSlot(7, bit(p, 0));
            setSlot(8, bit(p, 1));
            setSlot(9, bit(p, 2));
            setSlot(12, threePosition(p, 3, 4));
        }
        return true;
    });
}

std::int16_t decodeReport16(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter) {
    return decodeSwitchPanel(payload, consumed, subCode, counter, [](int byte, std::uint8_t p) {
        if (byte == 1) {
            setSlot(14, bit(p, 3));
            setSlot(15, bit(p, 2));
            setSlot(16, bit(p, 1));
            setSlot(17, bit(p, 0));
            setSlot(20, threePosition(p, 4, 5));
        } else {
            setSlot(18, bit(p, 0));
            setSlot(19, bit(p, 1));
            setSlot(21, bit(p, 2));
            setSlot(22, bit(p, 3));
            setSlot(23, bit(p, 4));
            setSlot(24, bit(p, 5));
        }
        return true;
    });
}

std::int16_t decodeReport17(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter) {
    return decodeSwitchPanel(payload, consumed, subCode, counter, [](int byte, std::uint8_t p) {
        if (byte == 1) {
            setSlot(28, bit(p, 4));
            setSlot(29, bit(p, 5));
            setSlot(32, threePosition(p, 3, 2));
            setSlot(33, threePosition(p, 0, 1));
        } else {
            setSlot(25, bit(p, 6));
            setSlot(26, bit(p, 5));
            setSlot(27, bit(p, 4));
            setSlot(30, threePosition(p, 1, 0));
            setSlot(31, threePosition(p, 3, 2));
        }
        return true;
    });
}

std::int16_t decodeTrimReport(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                              std::int16_t& counter) {
    if (takeSubCode(payload, consumed, subCode, counter)) {
        return 0;
    }
    if (subCode != kTrimStepSubCode && subCode != kRudderTrimSubCode) {
        return 0;
    }
    if (counter >= 2 || counter < 0) {
        return 0;
    }
    consumed = 1;
    counter = static_cast<std::int16_t>(counter + 1);
    if (subCode == kRudderTrimSubCode) {
        setSlot(kRudderTrimSlot, payload);
        return 1;
    }
    if (bit(payload, 0) != 0) {
        // Bit 3 gives the direction; the slot remembers the direction of the last step.
        // The count wraps around after 2^31 steps in one direction instead of overflowing.
        ReportState& state = reportState();
        const bool up = bit(payload, 3) == 0;
        const std::uint32_t count = static_cast<std::uint32_t>(state.trimCounter);
        state.trimCounter = static_cast<std::int32_t>(up ? count + 1u : count - 1u);
        setSlot(kTrimDirectionSlot, up ? 1 : 0);
    }
    return 1;
}

std::int16_t decodeGearReport(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                              std::int16_t& counter) {
    if (takeSubCode(payload, consumed, subCode, counter)) {
        return 0;
    }
    if (subCode != kGearStateSubCode) {
        return 0;
    }
    // Decoded but not consumed: the record ends after this one byte.
    setSlot(36, bit(payload, 4));
    setSlot(37, bit(payload, 2) != 0 ? 0 : 1);
    // The flaps switch gives bit 0 the priority, the reverse of the other three-way switches.
    setSlot(38, bit(payload, 0) != 0 ? 0 : (bit(payload, 1) != 0 ? 2 : 1));
    setSlot(39, bit(payload, 3));
    return 1;
}

std::int16_t decodePowerQuadrantReport(std::uint8_t payload, std::int16_t& consumed,
                                       std::uint8_t& subCode, std::int16_t& counter) {
    if (takeSubCode(payload, consumed, subCode, counter)) {
        return 0;
    }
    if (subCode == kToggleSubCode) {
        setSlot(kTogaSlot, bit(payload, 1));  // not consumed: the record ends here
        return 1;
    }
    const int channel = analogueChannelOf(subCode);
    if (channel < 0 || counter >= 3 || counter < 0) {
        return 0;
    }
    consumed = 1;
    ReportState& state = reportState();
    if (counter == 1) {
        state.channelFirstBytes[channel] = payload;
        counter = 2;
        return 0;
    }
    // Bits 4..6 of the first byte give the channel's resolution, bits 0..3 its high part.
    const int first = state.channelFirstBytes[channel];
    const int resolution = first >> 4;
    state.fullScale = resolution == 0 ? 255.0f : (resolution == 1 ? 511.0f : 1023.0f);
    setSlot(kFirstAnalogueSlot + channel,
            static_cast<std::int16_t>((first & 0x0F) * 128 + payload));
    counter = 3;
    return 1;
}

ReportDecoder reportDecoderFor(int command) {
    switch (command) {
        case 16:
            return decodeReport16;
        case 17:
            return decodeReport17;
        case 18:
            return decodeReport18;
        case 19:
            return decodeReport19;
        case 24:
            return decodeTrimReport;
        case 98:
            return decodePowerQuadrantReport;
        case 99:
            return decodeGearReport;
        default:
            return nullptr;
    }
}

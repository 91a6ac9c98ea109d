// Framing of the inbound byte stream, the identity record and the two mainboard records.
#include "protocol/stream_decoder.h"

#include <cstdio>

#include "link/device_link.h"
#include "protocol/module_registry.h"
#include "protocol/module_reports.h"
#include "ui/test_window_ids.h"

namespace {

constexpr std::int16_t kModuleIdentity = 112;
constexpr std::int16_t kMainboardHigh = 115;
constexpr std::int16_t kMainboardLow = 116;
constexpr std::int16_t kMainboardIdentification = 120;

int decodeModuleIdentity(WindowHandle window, DecoderState& state, std::uint8_t payload) {
    if (state.dataByteCounter >= 2) {
        return 0;  // not consumed: the record ends
    }
    ModuleRegistry& registry = moduleRegistry();
    if (state.dataByteCounter == 0) {
        registry.currentModuleType = payload;
    } else {
        recordModuleVersion(payload);
        registry.currentModuleType = -1;
        if (registry.listDirty != 0) {
            refreshModuleList(window);
        }
    }
    state.dataByteCounter = static_cast<std::int16_t>(state.dataByteCounter + 1);
    state.consumed = 1;
    return 1;
}

// The mainboard sends the two halves of its number in either order, in separate records; the
// number is shown once both have come. The byte is never consumed: one data byte per record.
int decodeMainboardHalf(WindowHandle window, DecoderState& state, std::uint8_t payload) {
    (state.currentCommand == kMainboardHigh ? state.mainboardHigh : state.mainboardLow) = payload;
    if (state.mainboardHigh != kNoMainboardHalf && state.mainboardLow != kNoMainboardHalf) {
        std::snprintf(state.mainboardText, sizeof state.mainboardText, "%d",
                      static_cast<int>(state.mainboardHigh * 128 + state.mainboardLow));
        windowServices().setItemText(window, kMainboardReadoutId, state.mainboardText);
        state.mainboardHigh = kNoMainboardHalf;
        state.mainboardLow = kNoMainboardHalf;
    }
    return 1;
}

// Five data bytes b1..b5, shown as "b1[b2]-b4[b5]-b3": numbers in decimal, b2 and b5 as
// characters that are left out when 0.
int decodeMainboardIdentification(WindowHandle window, DecoderState& state, std::uint8_t payload) {
    if (state.dataByteCounter < kIdentificationParts) {
        state.identificationParts[state.dataByteCounter] = payload;
        state.dataByteCounter = static_cast<std::int16_t>(state.dataByteCounter + 1);
        state.consumed = 1;
    }
    if (state.dataByteCounter < kIdentificationParts) {
        return 0;
    }
    const std::int32_t* part = state.identificationParts;
    for (int i = 0; i < kIdentificationParts; ++i) {
        if (part[i] == -1) {
            return 0;
        }
    }
    char first[64];  // at most "127" and one character
    if (part[1] != 0) {
        std::snprintf(first, sizeof first, "%d%c", static_cast<int>(part[0]),
                      static_cast<char>(part[1]));
    } else {
        std::snprintf(first, sizeof first, "%d", static_cast<int>(part[0]));
    }
    char* whole = state.mainboardText;
    if (part[4] != 0) {
        std::snprintf(whole, sizeof state.mainboardText, "%s-%d%c-%d", first,
                      static_cast<int>(part[3]), static_cast<char>(part[4]),
                      static_cast<int>(part[2]));
    } else {
        std::snprintf(whole, sizeof state.mainboardText, "%s-%d-%d", first,
                      static_cast<int>(part[3]), static_cast<int>(part[2]));
    }
    windowServices().setItemText(window, kMainboardReadoutId, whole);
    for (std::int32_t& p : state.identificationParts) {
        p = -1;
    }
    return 1;
}

}  // namespace

DecoderState& decoderState() {
    static DecoderState state;
    return state;
}

int decodeByte(WindowHandle window, std::uint8_t byte) {
    DecoderState& state = decoderState();
    const std::uint8_t payload = byte & 0x7F;
    const bool isCommand = (byte & 0x80) == 0;

    if (isCommand || state.currentCommand == kNoCommand) {
        // A data byte outside a record does not open one.
        if (isCommand) {
            state.currentCommand = byte;
        }
        // The identity record keeps the sub-code of the report it interrupted.
        if (state.currentCommand != kModuleIdentity) {
            state.subCode = 255;
        }
        state.dataByteCounter = 0;
        state.consumed = 1;
        return 0;
    }

    state.consumed = 0;
    int changed = 0;
    if (ReportDecoder decoder = reportDecoderFor(state.currentCommand)) {
        changed = decoder(payload, state.consumed, state.subCode, state.dataByteCounter) != 0;
    } else {
        switch (state.currentCommand) {
            case kModuleIdentity:
                changed = decodeModuleIdentity(window, state, payload);
                break;
            case kMainboardHigh:
            case kMainboardLow:
                changed = decodeMainboardHalf(window, state, payload);
                break;
            case kMainboardIdentification:
                changed = decodeMainboardIdentification(window, state, payload);
                break;
            default:
                break;  // a command without a handler: its data is dropped
        }
    }
    if (state.consumed == 0) {
        state.currentCommand = kNoCommand;
    }
    return changed;
}

int pollInput(WindowHandle window) {
    std::uint8_t buffer[kDeviceLinkReadSize];
    std::uint32_t count = readDeviceLink(buffer);
    if (count > kDeviceLinkReadSize) {
        count = kDeviceLinkReadSize;  // a link never reports more than it was given room for
    }
    int changed = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        changed |= decodeByte(window, buffer[i]);
    }
    return changed;
}

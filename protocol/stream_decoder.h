// The inbound stream decoder: splits the mainboard's bytes into records and hands them to the
// module report decoders, the module registry and the "Mainboard:" read-out.
//
// Wire format: a byte with bit 7 clear is a command (0..127) that opens a record; a byte with
// bit 7 set is a data byte whose low 7 bits are its payload. A record ends at the next command
// byte or at the first data byte that its handler does not accept.
#pragma once

#include <cstdint>

#include "app/window_services.h"

constexpr std::int16_t kNoCommand = -9999;
constexpr std::int32_t kNoMainboardHalf = -9999;
constexpr int kIdentificationParts = 5;
constexpr int kMainboardTextSize = 256;

struct DecoderState {
    std::int16_t currentCommand = kNoCommand;
    std::int16_t dataByteCounter = 0;
    std::uint8_t subCode = 255;  // 255 = none yet
    std::int16_t consumed = 0;
    std::int32_t mainboardHigh = kNoMainboardHalf;
    std::int32_t mainboardLow = kNoMainboardHalf;
    std::int32_t identificationParts[kIdentificationParts] = {-1, -1, -1, -1, -1};
    // The "Mainboard:" read-out's text as the decoder last set it ("-" until a number or an
    // identification is complete), for programs that show it without a window.
    char mainboardText[kMainboardTextSize] = "-";
};

DecoderState& decoderState();

// Runs one byte through the decoder. Returns 1 when it changed something the test window shows.
int decodeByte(WindowHandle window, std::uint8_t byte);

// One poll cycle: reads what has arrived (at most 100 bytes) from the device link and decodes
// it. Returns 1 when at least one byte changed something the test window shows, else 0.
int pollInput(WindowHandle window);

// Decoders of the input reports of the panel modules. Each takes the data bytes of one report
// record, one at a time, and turns bits into received slot values (see report_state.h).
//
// Common form: payload is the data byte's low 7 bits; consumed is set to 1 when the decoder
// accepts the byte (leaving it at 0 ends the record); subCode receives the record's first data
// byte; counter counts the data bytes accepted so far (0 for the sub-code). The result is 1 when
// a received slot may have changed, else 0.
#pragma once

#include <cstdint>

using ReportDecoder = std::int16_t (*)(std::uint8_t payload, std::int16_t& consumed,
                                       std::uint8_t& subCode, std::int16_t& counter);

std::int16_t decodeReport16(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter);
std::int16_t decodeReport17(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter);
std::int16_t decodeReport18(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter);
std::int16_t decodeReport19(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                            std::int16_t& counter);
std::int16_t decodeTrimReport(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                              std::int16_t& counter);
std::int16_t decodePowerQuadrantReport(std::uint8_t payload, std::int16_t& consumed,
                                       std::uint8_t& subCode, std::int16_t& counter);
std::int16_t decodeGearReport(std::uint8_t payload, std::int16_t& consumed, std::uint8_t& subCode,
                              std::int16_t& counter);

// The decoder for a command code, or null when the code is not a module input report.
ReportDecoder reportDecoderFor(int command);

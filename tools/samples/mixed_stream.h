// Realistic inbound streams for tests, benchmarks and the panel simulator: every record kind of
// the mainboard, with cut-off records, over-long records and line noise mixed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// At least minimumBytes bytes of mixed records; the same seed always gives the same stream.
// noisePercent is the share of records replaced by a random byte (0 for a clean line).
std::vector<std::uint8_t> mixedPanelStream(std::uint32_t seed, std::size_t minimumBytes,
                                           int noisePercent = 5);

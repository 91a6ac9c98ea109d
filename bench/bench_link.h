// A device link for the benchmarks: serves one stream over and over, 100 bytes a read.
#pragma once

#include <cstdint>
#include <vector>

void loadBenchStream(std::vector<std::uint8_t> stream);

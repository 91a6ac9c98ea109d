// readDeviceLink and writeDeviceLink for the benchmarks.
#include "bench/bench_link.h"

#include <cstring>
#include <utility>

#include "link/device_link.h"

namespace {
std::vector<std::uint8_t> stream;
std::size_t position = 0;
}  // namespace

void loadBenchStream(std::vector<std::uint8_t> bytes) {
    stream = std::move(bytes);
    position = 0;
}

std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    if (stream.size() < kDeviceLinkReadSize) {
        return 0;
    }
    if (position + kDeviceLinkReadSize > stream.size()) {
        position = 0;
    }
    std::memcpy(buffer, stream.data() + position, kDeviceLinkReadSize);
    position += kDeviceLinkReadSize;
    return kDeviceLinkReadSize;
}

int writeDeviceLink(const std::uint8_t*, std::uint32_t) {
    return 1;
}

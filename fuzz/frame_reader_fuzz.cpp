// Fuzz target for the panel simulator's frame reader: whatever bytes come, in whatever pieces,
// every byte ends up in exactly one line, in order, and a line called a frame really is a frame
// with both checksums right.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/frame_checksum.h"
#include "tools/panel-sim/frame_reader.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool checksumsHold(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != kOutputFrameSize || bytes[0] != 0x78) {
        return false;
    }
    std::uint8_t frame[kOutputFrameSize];
    for (int i = 0; i < kOutputFrameSize; ++i) {
        frame[i] = bytes[static_cast<std::size_t>(i)];
    }
    std::uint8_t copy[kOutputFrameSize];
    for (int i = 0; i < kOutputFrameSize; ++i) {
        copy[i] = frame[i];
    }
    frameChecksum(copy, 4);
    frameChecksum(copy, 10);
    return copy[4] == frame[4] && copy[10] == frame[10];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::uint8_t cut = data[0];
    const std::uint8_t* bytes = data + 1;
    const std::size_t count = size - 1;

    panelsim::FrameReader reader;
    std::vector<panelsim::FrameLine> lines;
    for (std::size_t at = 0; at < count;) {
        cut = static_cast<std::uint8_t>(cut * 73 + 41);
        std::size_t piece = 1 + cut % 40;
        if (piece > count - at) {
            piece = count - at;
        }
        reader.feed(bytes + at, piece, lines);
        at += piece;
    }
    reader.finish(lines);
    check(reader.pending() == 0);

    std::vector<std::uint8_t> seen;
    for (const panelsim::FrameLine& line : lines) {
        check(!line.bytes.empty());
        check(!line.text.empty());
        if (line.kind == panelsim::FrameLineKind::Frame) {
            check(checksumsHold(line.bytes));
        }
        seen.insert(seen.end(), line.bytes.begin(), line.bytes.end());
    }
    check(seen.size() == count);
    for (std::size_t i = 0; i < count; ++i) {
        check(seen[i] == bytes[i]);
    }
    return 0;
}

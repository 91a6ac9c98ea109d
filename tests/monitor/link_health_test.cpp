// The link's health counts: what the framing took, threw away and found cut off, for streams
// whose right counts follow from the record layouts alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/start_state.h"
#include "monitor/program/link_health.h"
#include "protocol/stream_decoder.h"

namespace {

constexpr std::uint8_t d(unsigned payload) {
    return static_cast<std::uint8_t>(0x80 | (payload & 0x7F));
}

struct HealthCase {
    const char* what;
    std::vector<std::uint8_t> stream;
    std::uint64_t records;
    std::uint64_t dropped;
    std::uint64_t cutOff;
};

LinkReport countsOf(const std::vector<std::uint8_t>& stream) {
    resetToStartState();
    LinkHealth health;
    for (std::uint8_t byte : stream) {
        health.beforeByte(byte);
        health.afterByte(decodeByte(nullptr, byte));
    }
    LinkReport report;
    health.fill(report, 2.0);
    return report;
}

TEST(LinkHealth, CountsRecordsDroppedBytesAndCutOffRecords) {
    const std::vector<HealthCase> cases = {
        {"whole records", {112, d(16), d(3), 18, d(0), d(1), d(0), 18, d(0), d(0), d(0)}, 3, 0, 0},
        {"data bytes before any record", {d(5), d(6), 112, d(16), d(3)}, 1, 2, 0},
        {"an identity record cut off by the next", {112, d(16), 112, d(17), d(3)}, 2, 0, 1},
        {"a switch report cut off after its sub-code", {18, d(0), 18, d(0), d(1), d(0)}, 2, 0, 1},
        {"a data byte past a whole identity record", {112, d(16), d(3), d(9)}, 1, 1, 0},
        {"a command byte the panel has no record for", {5, d(1), d(2), 112, d(16), d(3)}, 2, 2, 0},
        {"line noise only", {d(1), d(2), d(3), d(4)}, 0, 4, 0},
        {"nothing", {}, 0, 0, 0},
    };
    for (const HealthCase& c : cases) {
        const LinkReport counts = countsOf(c.stream);
        EXPECT_EQ(counts.bytes, c.stream.size()) << c.what;
        EXPECT_EQ(counts.records, c.records) << c.what;
        EXPECT_EQ(counts.dropped, c.dropped) << c.what;
        EXPECT_EQ(counts.cutOff, c.cutOff) << c.what;
        EXPECT_DOUBLE_EQ(counts.bytesPerSecond, static_cast<double>(c.stream.size()) / 2.0)
            << c.what;
    }
}

}  // namespace

// Module report decoders: which bits land in which slot, the three-way switches, the analogue
// channels, the trim counter, and where each record ends.
#include <gtest/gtest.h>

#include "protocol/module_reports.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tests/support/protocol_fixture.h"

namespace {

constexpr std::uint8_t d(int payload) {
    return static_cast<std::uint8_t>(0x80 | payload);
}

class ModuleReportsTest : public ProtocolTest {
  protected:
    // command, sub-code 0, then data bytes 1 and 2.
    void report(std::uint8_t command, int first, int second) {
        feed({command, d(0), d(first), d(second)});
    }
    bool recordOpen() const { return decoderState().currentCommand != kNoCommand; }
};

struct BitRow {
    std::uint8_t command;
    int dataByte;  // 1 or 2
    int bit;
    int slot;
};

// Every one-bit switch of the four switch panels.
const BitRow kBitTable[] = {
    {18, 1, 0, 0},  {18, 1, 1, 1},  {18, 1, 2, 2},  {18, 1, 3, 3},  {18, 1, 4, 4},  {18, 1, 5, 5},
    {18, 1, 6, 6},  {19, 1, 0, 10}, {19, 1, 1, 11}, {19, 2, 0, 7},  {19, 2, 1, 8},  {19, 2, 2, 9},
    {16, 1, 3, 14}, {16, 1, 2, 15}, {16, 1, 1, 16}, {16, 1, 0, 17}, {16, 2, 0, 18}, {16, 2, 1, 19},
    {16, 2, 2, 21}, {16, 2, 3, 22}, {16, 2, 4, 23}, {16, 2, 5, 24}, {17, 1, 4, 28}, {17, 1, 5, 29},
    {17, 2, 6, 25}, {17, 2, 5, 26}, {17, 2, 4, 27},
};

TEST_F(ModuleReportsTest, EachSwitchBitLandsInItsOwnSlotOnly) {
    for (const BitRow& row : kBitTable) {
        resetProtocolState();
        const int payload = 1 << row.bit;
        report(row.command, row.dataByte == 1 ? payload : 0, row.dataByte == 2 ? payload : 0);
        for (const BitRow& other : kBitTable) {
            if (other.command == row.command) {
                EXPECT_EQ(slot(other.slot), other.slot == row.slot ? 1 : 0)
                    << "command " << int(row.command) << " byte " << row.dataByte << " bit "
                    << row.bit << ": slot " << other.slot;
            }
        }
    }
}

struct ThreeWayRow {
    std::uint8_t command;
    int dataByte;
    int bitA;
    int bitB;
    int slot;
};

TEST_F(ModuleReportsTest, ThreeWaySwitchesGiveBitAThePriority) {
    const ThreeWayRow rows[] = {
        {19, 2, 3, 4, 12}, {16, 1, 4, 5, 20}, {17, 1, 3, 2, 32},
        {17, 1, 0, 1, 33}, {17, 2, 1, 0, 30}, {17, 2, 3, 2, 31},
    };
    for (const ThreeWayRow& row : rows) {
        const int a = 1 << row.bitA;
        const int b = 1 << row.bitB;
        const std::pair<int, int> cases[] = {{a, 2}, {a | b, 2}, {b, 0}, {0, 1}};
        for (auto [bits, expected] : cases) {
            report(row.command, row.dataByte == 1 ? bits : 0, row.dataByte == 2 ? bits : 0);
            EXPECT_EQ(slot(row.slot), expected)
                << "command " << int(row.command) << " slot " << row.slot << " bits " << bits;
        }
    }
}

TEST_F(ModuleReportsTest, FuelSelectorAddsItsThreeBits) {
    for (int bits = 0; bits < 8; ++bits) {
        const int b3 = bits & 1, b4 = (bits >> 1) & 1, b5 = (bits >> 2) & 1;
        report(19, (b3 << 3) | (b4 << 4) | (b5 << 5), 0);
        EXPECT_EQ(slot(13), b3 + 2 * b4 + 3 * b5) << "bits " << bits;
    }
}

TEST_F(ModuleReportsTest, SwitchPanelRecordEndsAfterTwoDataBytes) {
    EXPECT_EQ(feed({18, d(0)}), 0) << "the sub-code changes nothing";
    EXPECT_EQ(feed({d(0x55)}), 1);
    const std::int16_t expected[] = {1, 0, 1, 0, 1, 0, 1};
    for (int n = 0; n < 7; ++n) {
        EXPECT_EQ(slot(n), expected[n]) << n;
    }
    EXPECT_EQ(feed({d(0x7F)}), 0) << "the second data byte of 18 is taken and ignored";
    EXPECT_EQ(slot(1), 0);
    EXPECT_TRUE(recordOpen());
    EXPECT_EQ(feed({d(0x7F)}), 0);
    EXPECT_FALSE(recordOpen()) << "a third data byte is not consumed";
    EXPECT_EQ(slot(1), 0);

    // The same for a panel whose second byte counts: a third byte changes nothing.
    report(16, 0, 0);
    EXPECT_EQ(feed({d(0x3F)}), 0);
    EXPECT_EQ(slot(18), 0);
    EXPECT_FALSE(recordOpen());
}

TEST_F(ModuleReportsTest, TrimStepsCountAndRememberTheirDirection) {
    EXPECT_EQ(feed({24, d(45), d(0x01)}), 1);
    EXPECT_EQ(reportState().trimCounter, 1);
    EXPECT_EQ(slot(35), 1);

    EXPECT_EQ(feed({24, d(45), d(0x09)}), 1);
    EXPECT_EQ(feed({24, d(45), d(0x09)}), 1);
    EXPECT_EQ(reportState().trimCounter, -1);
    EXPECT_EQ(slot(35), 0);

    EXPECT_EQ(feed({24, d(45), d(0x08)}), 1) << "no step, but the call still reports a change";
    EXPECT_EQ(reportState().trimCounter, -1);
    EXPECT_EQ(slot(35), 0);

    EXPECT_EQ(feed({d(0x01)}), 0);
    EXPECT_FALSE(recordOpen()) << "a second data byte is not consumed";
    EXPECT_EQ(reportState().trimCounter, -1);
}

TEST_F(ModuleReportsTest, TrimCounterWrapsInsteadOfOverflowing) {
    reportState().trimCounter = INT32_MAX;
    feed({24, d(45), d(0x01)});
    EXPECT_EQ(reportState().trimCounter, INT32_MIN);
    feed({24, d(45), d(0x09)});
    EXPECT_EQ(reportState().trimCounter, INT32_MAX);
}

TEST_F(ModuleReportsTest, RudderTrimAndUnknownTrimSubCodes) {
    EXPECT_EQ(feed({24, d(46), d(100)}), 1);
    EXPECT_EQ(slot(34), 100);
    EXPECT_EQ(feed({24, d(7), d(0x01)}), 0);
    EXPECT_FALSE(recordOpen());
    EXPECT_EQ(reportState().trimCounter, 0);
    EXPECT_EQ(slot(35), -1);
}

TEST_F(ModuleReportsTest, GearReportDecodesOneByteAndEndsTheRecord) {
    struct Row {
        int payload;
        int s36, s37, s38, s39;
    };
    const Row rows[] = {
        {0x03, 0, 1, 0, 0},  // bit 0 wins over bit 1
        {0x02, 0, 1, 2, 0}, {0x00, 0, 1, 1, 0}, {0x01, 0, 1, 0, 0}, {0x10, 1, 1, 1, 0},
        {0x04, 0, 0, 1, 0}, {0x08, 0, 1, 1, 1}, {0x1F, 1, 0, 0, 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(feed({99, d(4), d(row.payload)}), 1);
        EXPECT_EQ(slot(36), row.s36) << row.payload;
        EXPECT_EQ(slot(37), row.s37) << row.payload;
        EXPECT_EQ(slot(38), row.s38) << row.payload;
        EXPECT_EQ(slot(39), row.s39) << row.payload;
        EXPECT_FALSE(recordOpen());
    }
    EXPECT_EQ(feed({99, d(4), d(0x00), d(0x10)}), 0);
    EXPECT_EQ(slot(36), 0) << "the byte after the decoded one belongs to no record";
    EXPECT_EQ(feed({99, d(5), d(0x10)}), 0);
    EXPECT_EQ(slot(36), 0);
}

TEST_F(ModuleReportsTest, AnalogueChannelsCarryValueAndFullScale) {
    const std::pair<int, int> channels[] = {{3, 40},  {8, 41},  {9, 42},
                                            {10, 43}, {11, 44}, {12, 45}};
    struct Reading {
        int first, second, value;
        float fullScale;
    };
    const Reading readings[] = {
        {0x13, 0x05, 389, 511.0f},   {0x21, 0x7F, 255, 1023.0f}, {0x00, 0x42, 0x42, 255.0f},
        {0x7F, 0x7F, 2047, 1023.0f}, {0x03, 0x7F, 511, 255.0f},  // above its own full scale
    };
    for (auto [subCode, channelSlot] : channels) {
        for (const Reading& r : readings) {
            EXPECT_EQ(feed({98, d(subCode), d(r.first)}), 0);
            EXPECT_EQ(feed({d(r.second)}), 1);
            EXPECT_EQ(slot(channelSlot), r.value) << "sub-code " << subCode;
            EXPECT_EQ(reportState().fullScale, r.fullScale) << "sub-code " << subCode;
            EXPECT_EQ(feed({d(0x01)}), 0);
            EXPECT_FALSE(recordOpen()) << "a third data byte ends the record";
        }
    }
}

TEST_F(ModuleReportsTest, ChannelCutAfterItsFirstByteKeepsTheOldValue) {
    feed({98, d(3), d(0x10), d(0x20)});
    ASSERT_EQ(slot(40), 0x20);
    EXPECT_EQ(feed({98, d(3), d(0x05)}), 0);
    feed({16});
    EXPECT_EQ(slot(40), 0x20);
    EXPECT_EQ(reportState().fullScale, 511.0f);
    // The next report of the channel brings its own first byte.
    feed({98, d(3), d(0x00), d(0x01)});
    EXPECT_EQ(slot(40), 1);
}

TEST_F(ModuleReportsTest, TogaSwitchAndUnknownQuadrantSubCodes) {
    EXPECT_EQ(feed({98, d(58), d(0x02)}), 1);
    EXPECT_EQ(slot(46), 1);
    EXPECT_FALSE(recordOpen());
    EXPECT_EQ(feed({98, d(58), d(0x05)}), 1);
    EXPECT_EQ(slot(46), 0);

    EXPECT_EQ(feed({98, d(5), d(0x13), d(0x05)}), 0);
    for (int s = 40; s <= 45; ++s) {
        EXPECT_EQ(slot(s), -1);
    }
    EXPECT_EQ(reportState().fullScale, 255.0f);
}

TEST(ReportDecoderLookup, OnlyModuleReportCommandsHaveADecoder) {
    for (int command = 0; command < 128; ++command) {
        const bool isReport = command == 16 || command == 17 || command == 18 || command == 19 ||
                              command == 24 || command == 98 || command == 99;
        EXPECT_EQ(reportDecoderFor(command) != nullptr, isReport) << command;
    }
}

}  // namespace

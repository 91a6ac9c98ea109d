// Stream decoder: framing, the mainboard number and identification read-out, the identity
// record, and poll cycles over the device link.
#include <gtest/gtest.h>

#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tests/support/protocol_fixture.h"

namespace {

constexpr std::uint8_t d(int payload) {
    return static_cast<std::uint8_t>(0x80 | payload);
}

class StreamDecoderTest : public ProtocolTest {};

TEST_F(StreamDecoderTest, DataOutsideARecordAndUnknownCommandsChangeNothing) {
    EXPECT_EQ(poll({0x85, 0x90}), 0);
    EXPECT_EQ(poll({50, 0x81, 0x82}), 0);
    EXPECT_EQ(decoderState().currentCommand, kNoCommand);
    EXPECT_TRUE(screen.log().empty());
    for (int s = 0; s < kSlotCount; ++s) {
        EXPECT_EQ(slot(s), -1);
    }
    // A data byte after an unknown record does not reopen it.
    EXPECT_EQ(poll({18, 0x80, 0xFF}), 1);
    EXPECT_EQ(poll({50, 0x80, 0xFF}), 0);
    EXPECT_EQ(slot(0), 1);
}

TEST_F(StreamDecoderTest, EmptyReadEndsThePollWithoutTouchingState) {
    feed({120, d(1), d(2)});
    const DecoderState before = decoderState();
    EXPECT_EQ(pollInput(window), 0);
    EXPECT_EQ(decoderState().currentCommand, before.currentCommand);
    EXPECT_EQ(decoderState().dataByteCounter, before.dataByteCounter);
    EXPECT_EQ(fakeDeviceLink().readCalls, 1u);
}

TEST_F(StreamDecoderTest, MainboardNumberHalvesInEitherOrderAndAcrossRecords) {
    EXPECT_STREQ(decoderState().mainboardText, "-") << "the read-out's text before any record";
    EXPECT_EQ(poll({115, d(1), 116, d(5)}), 1);
    EXPECT_EQ(mainboardText(), "133");
    EXPECT_STREQ(decoderState().mainboardText, "133") << "the decoder keeps what it showed";
    screen.presetText(window, 1002, "-");
    EXPECT_EQ(poll({116, d(5), 115, d(1)}), 1);
    EXPECT_EQ(mainboardText(), "133");

    screen.presetText(window, 1002, "-");
    EXPECT_EQ(poll({115, d(127)}), 1) << "a lone half still counts as a change";
    EXPECT_EQ(mainboardText(), "-");
    poll({18, d(0), d(1), 24, d(46), d(3), 115, d(2)});  // a repeated half overwrites
    EXPECT_EQ(mainboardText(), "-");
    EXPECT_EQ(poll({116, d(127)}), 1);
    EXPECT_EQ(mainboardText(), "383");
    EXPECT_EQ(decoderState().mainboardHigh, kNoMainboardHalf);
    EXPECT_EQ(decoderState().mainboardLow, kNoMainboardHalf);
}

TEST_F(StreamDecoderTest, MainboardHalfRecordTakesOneDataByte) {
    poll({115, d(1), d(9), 116, d(5)});
    EXPECT_EQ(mainboardText(), "133");
    EXPECT_EQ(screen.logOf("setItemText").size(), 1u);
}

TEST_F(StreamDecoderTest, IdentificationTextInBothForms) {
    struct Row {
        int parts[5];
        const char* text;
    };
    const Row rows[] = {
        {{17, 65, 5, 3, 0}, "17A-3-5"},
        {{17, 0, 5, 3, 66}, "17-3B-5"},
        {{0, 0, 0, 0, 0}, "0-0-0"},
        {{127, 90, 126, 125, 97}, "127Z-125a-126"},
    };
    for (const Row& row : rows) {
        feed({120});
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(feed({d(row.parts[i])}), 0) << "byte " << i + 1 << " alone shows nothing";
        }
        EXPECT_EQ(feed({d(row.parts[4])}), 1);
        EXPECT_EQ(mainboardText(), row.text);
        EXPECT_STREQ(decoderState().mainboardText, row.text);
        EXPECT_EQ(feed({d(1)}), 0) << "a sixth data byte is ignored";
        EXPECT_EQ(mainboardText(), row.text);
    }
    // The text replaces the mainboard number, and the other way round.
    poll({115, d(0), 116, d(7)});
    EXPECT_EQ(mainboardText(), "7");
}

TEST_F(StreamDecoderTest, CutOffIdentificationShowsNothingAndIsForgotten) {
    poll({120, d(9), d(66), d(8), 18, d(0), d(0)});
    EXPECT_EQ(mainboardText(), "-");
    EXPECT_TRUE(screen.logOf("setItemText").empty());
    poll({120, d(1), d(0), d(2), d(3), d(0)});
    EXPECT_EQ(mainboardText(), "1-3-2");
}

TEST_F(StreamDecoderTest, IdentityRecordRegistersTheModule) {
    EXPECT_EQ(poll({112, d(24), d(3)}), 1);
    EXPECT_EQ(moduleLines(), std::vector<std::string>{"v3  -  ORVAN ZR8 Trim Modul"});
    EXPECT_EQ(moduleRegistry().currentModuleType, -1);
    EXPECT_EQ(feed({112, d(24), d(3), d(9)}), 0) << "a third data byte is ignored";
    EXPECT_EQ(decoderState().currentCommand, kNoCommand);
    EXPECT_EQ(moduleRegistry().entries[24].version, 3);
    // The first data byte alone already counts as a change.
    EXPECT_EQ(feed({112, d(50)}), 1);
}

TEST_F(StreamDecoderTest, IdentityRecordKeepsTheSubCodeOfTheReportItInterrupts) {
    feed({24, d(46)});
    feed({112, d(24), d(3)});
    EXPECT_EQ(decoderState().subCode, 46);
    feed({18});
    EXPECT_EQ(decoderState().subCode, 255);
    feed({24, d(46), 0x81});
    EXPECT_EQ(decoderState().subCode, 46);
}

TEST_F(StreamDecoderTest, RecordSplitAcrossPollsDecodesAsIfWhole) {
    fakeDeviceLink().readSizes = {1, 2};
    EXPECT_EQ(poll({98, d(12), d(0x13), d(0x05)}), 1);
    EXPECT_EQ(fakeDeviceLink().readCalls, 3u);
    EXPECT_EQ(slot(45), 389);
}

TEST_F(StreamDecoderTest, PollReadsAtMostOneHundredBytesAndLeavesTheRestQueued) {
    Bytes stream;
    for (int i = 0; i < 60; ++i) {
        stream.insert(stream.end(), {24, d(45), d(0x01)});  // 180 bytes, 60 steps up
    }
    fakeDeviceLink().arrive(stream);
    EXPECT_EQ(pollInput(window), 1);
    EXPECT_EQ(fakeDeviceLink().readPosition, 100u);
    EXPECT_EQ(reportState().trimCounter, 33);
    EXPECT_EQ(pollInput(window), 1);
    EXPECT_EQ(reportState().trimCounter, 60);
    EXPECT_EQ(pollInput(window), 0);
}

}  // namespace

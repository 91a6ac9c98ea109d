// Output frames: the published frames byte for byte, the position byte, and what is written.
#include <gtest/gtest.h>

#include "protocol/output_frames.h"
#include "tests/support/protocol_fixture.h"

namespace {

class OutputFramesTest : public ProtocolTest {};

Bytes sentFrame(OutputFrameKind kind) {
    resetFakeDeviceLink();
    EXPECT_EQ(sendOutputFrame(kind), 1);
    EXPECT_EQ(fakeDeviceLink().writes.size(), 1u);
    return fakeDeviceLink().writes.empty() ? Bytes{} : fakeDeviceLink().writes.front();
}

TEST_F(OutputFramesTest, ChecksumWorkedThroughByHandForTheHeaderOfTheHobbsFrame) {
    std::uint8_t frame[kOutputFrameSize] = {0x78, 0x09, 0x61, 0x00};
    frameChecksum(frame, 4);
    EXPECT_EQ(frame[4], 0x37);
    EXPECT_EQ(frame[0], 0x78) << "the start byte is never part of a checksum";
}

struct PublishedFrame {
    const char* name;
    OutputState state;
    OutputFrameKind kind;
    Bytes bytes;
};

TEST_F(OutputFramesTest, PublishedFramesAreReproducedByteForByte) {
    OutputState hobbsOn;
    hobbsOn.hobbsOn = 1;
    OutputState trimOnTop;
    trimOnTop.trimIndicatorOn = 1;
    trimOnTop.trimIndicatorStep = 20;
    OutputState mixedGear;
    mixedGear.leftGearLight = 1;
    mixedGear.noseGearLight = 2;
    mixedGear.rightGearLight = 0;
    mixedGear.lightsDimmed = 1;

    const PublishedFrame frames[] = {
        {"hobbs off",
         OutputState{},
         OutputFrameKind::HobbsMeter,
         {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x00, 0x2D}},
        {"hobbs on",
         hobbsOn,
         OutputFrameKind::HobbsMeter,
         {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x01, 0x23}},
        {"trim off, step 1",
         OutputState{},
         OutputFrameKind::TrimIndicator,
         {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x00, 0x00, 0x00, 0x00, 0x8E}},
        {"trim on, step 20",
         trimOnTop,
         OutputFrameKind::TrimIndicator,
         {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x01, 0xFF, 0x00, 0x00, 0x96}},
        {"gear all off",
         OutputState{},
         OutputFrameKind::GearLights,
         {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFC}},
        {"gear left red, nose green, dimmed",
         mixedGear,
         OutputFrameKind::GearLights,
         {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x02, 0x03, 0x01, 0x00, 0xB0}},
    };
    for (const PublishedFrame& expected : frames) {
        outputState() = expected.state;
        EXPECT_EQ(sentFrame(expected.kind), expected.bytes) << expected.name;
    }
}

TEST_F(OutputFramesTest, PositionByteTruncatesAndStillTravelsWhenTheIndicatorIsOff) {
    const std::pair<int, int> steps[] = {{1, 0},    {2, 13},   {10, 120},
                                         {11, 134}, {19, 241}, {20, 255}};
    for (auto [step, position] : steps) {
        outputState().trimIndicatorOn = 0;
        outputState().trimIndicatorStep = static_cast<std::int16_t>(step);
        const Bytes frame = sentFrame(OutputFrameKind::TrimIndicator);
        ASSERT_EQ(frame.size(), 11u);
        EXPECT_EQ(frame[7], position) << "step " << step;
        EXPECT_EQ(frame[6], 0);
    }
    // Every step agrees with the integer formula floor((s - 1) * 255 / 19).
    for (int step = 1; step <= 20; ++step) {
        outputState().trimIndicatorStep = static_cast<std::int16_t>(step);
        EXPECT_EQ(sentFrame(OutputFrameKind::TrimIndicator)[7], (step - 1) * 255 / 19) << step;
    }
}

TEST_F(OutputFramesTest, GearLightCodesAndWireOrder) {
    // Nose travels in byte 6, left in 7, dimming in 8, right in 9; any choice above 1 is green.
    OutputState& out = outputState();
    out.leftGearLight = 0;
    out.noseGearLight = 1;
    out.rightGearLight = 7;
    out.lightsDimmed = 0x101;  // only the low 8 bits travel
    const Bytes frame = sentFrame(OutputFrameKind::GearLights);
    EXPECT_EQ(frame[6], 3);
    EXPECT_EQ(frame[7], 0);
    EXPECT_EQ(frame[8], 1);
    EXPECT_EQ(frame[9], 2);
    EXPECT_EQ(frame[3], 0);
}

TEST_F(OutputFramesTest, NonZeroSwitchesTravelAsOne) {
    outputState().hobbsOn = -5;
    outputState().trimIndicatorOn = 2;
    EXPECT_EQ(sentFrame(OutputFrameKind::HobbsMeter)[9], 1);
    EXPECT_EQ(sentFrame(OutputFrameKind::TrimIndicator)[6], 1);
}

TEST_F(OutputFramesTest, UnknownKindOrClosedLinkWritesNothing) {
    for (int kind : {-1, 3, 100}) {
        EXPECT_EQ(sendOutputFrame(static_cast<OutputFrameKind>(kind)), 0) << kind;
    }
    EXPECT_TRUE(fakeDeviceLink().writes.empty());

    fakeDeviceLink().open = false;
    EXPECT_EQ(sendOutputFrame(OutputFrameKind::HobbsMeter), 0);
    EXPECT_TRUE(fakeDeviceLink().writes.empty());
}

TEST_F(OutputFramesTest, ChecksumIgnoresPositionsOutsideTheFrame) {
    std::uint8_t frame[kOutputFrameSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const std::uint8_t before[kOutputFrameSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    for (int n : {-3, 0, 11, 12}) {
        frameChecksum(frame, n);
    }
    EXPECT_TRUE(std::equal(std::begin(frame), std::end(frame), std::begin(before)));
}

}  // namespace

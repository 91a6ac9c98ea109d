// The frame reader: what the tool sends, as the lines the simulator prints.
#include "tools/panel-sim/frame_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using panelsim::FrameLine;
using panelsim::FrameLineKind;
using panelsim::FrameReader;
using Bytes = std::vector<std::uint8_t>;

Bytes hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

// A frame with both checksums filled in.
Bytes frameOf(std::uint8_t module, std::uint8_t command, Bytes data) {
    std::uint8_t frame[kOutputFrameSize] = {0x78, 9, module, 0, 0, command};
    for (std::size_t i = 0; i < 4; ++i) {
        frame[6 + i] = data[i];
    }
    frameChecksum(frame, 4);
    frameChecksum(frame, 10);
    return Bytes(frame, frame + kOutputFrameSize);
}

std::vector<std::string> texts(const std::vector<FrameLine>& lines) {
    std::vector<std::string> result;
    for (const FrameLine& line : lines) {
        result.push_back(line.text);
    }
    return result;
}

// Feeds the bytes in reads of the given sizes (the rest in one read), then finishes.
std::vector<std::string> readAll(const Bytes& bytes, const std::vector<std::size_t>& sizes = {}) {
    FrameReader reader;
    std::vector<FrameLine> lines;
    std::size_t at = 0;
    for (std::size_t size : sizes) {
        const std::size_t count = std::min(size, bytes.size() - at);
        reader.feed(bytes.data() + at, count, lines);
        at += count;
    }
    reader.feed(bytes.data() + at, bytes.size() - at, lines);
    reader.finish(lines);
    EXPECT_EQ(reader.pending(), 0u);
    return texts(lines);
}

const char* const kTrimOff = "78 09 18 00 18 59 00 00 00 00 8E";
const char* const kGearOff = "78 09 63 00 2F 20 00 00 00 00 FC";
const char* const kHobbsOff = "78 09 61 00 37 02 00 00 00 00 2D";
const char* const kHobbsOn = "78 09 61 00 37 02 00 00 00 01 23";

struct Case {
    const char* name;
    std::string input;
    std::vector<std::string> lines;
};

std::vector<Case> cases() {
    const std::string gearMixed = "78 09 63 00 2F 20 02 03 01 00 B0";
    std::string flood;  // the 40 bytes 00..27
    for (std::uint8_t byte = 0; byte < 40; ++byte) {
        flood += (byte > 0 ? " " : "") + panelsim::hexBytes(&byte, 1);
    }
    return {
        {"trim indicator off, step 1",
         kTrimOff,
         {std::string("frame ") + kTrimOff + " TrimIndicator on=0 position=0"}},
        {"trim indicator on, step 20",
         "78 09 18 00 18 59 01 FF 00 00 96",
         {"frame 78 09 18 00 18 59 01 FF 00 00 96 TrimIndicator on=1 position=255"}},
        {"gear lights off",
         kGearOff,
         {std::string("frame ") + kGearOff + " GearLights nose=OFF left=OFF right=OFF dimmed=0"}},
        {"gear lights mixed and dimmed",
         gearMixed,
         {"frame " + gearMixed + " GearLights nose=GREEN left=RED right=OFF dimmed=1"}},
        {"hobbs off", kHobbsOff, {std::string("frame ") + kHobbsOff + " HobbsMeter on=0"}},
        {"hobbs on", kHobbsOn, {std::string("frame ") + kHobbsOn + " HobbsMeter on=1"}},
        {"bad header checksum",
         "78 09 61 00 38 02 00 00 00 00 2D",
         {"bad-frame 78 09 61 00 38 02 00 00 00 00 2D header checksum 38 expected 37"}},
        {"bad closing checksum",
         "78 09 61 00 37 02 00 00 00 01 24",
         {"bad-frame 78 09 61 00 37 02 00 00 00 01 24 checksum 24 expected 23"}},
        {"stray bytes before a frame",
         std::string("01 02 FF ") + kHobbsOn,
         {"stray 01 02 FF", std::string("frame ") + kHobbsOn + " HobbsMeter on=1"}},
        {"stray bytes between frames",
         std::string(kHobbsOff) + " 80 81 " + kHobbsOn,
         {std::string("frame ") + kHobbsOff + " HobbsMeter on=0", "stray 80 81",
          std::string("frame ") + kHobbsOn + " HobbsMeter on=1"}},
        {"a lone start byte does not swallow the frame behind it",
         std::string("78 ") + kGearOff,
         {"stray 78",
          std::string("frame ") + kGearOff + " GearLights nose=OFF left=OFF right=OFF dimmed=0"}},
        {"start and length byte without a header in front of a frame",
         std::string("78 09 00 ") + kHobbsOff,
         {"stray 78 09 00", std::string("frame ") + kHobbsOff + " HobbsMeter on=0"}},
        {"a frame cut short by the next one",
         std::string("78 09 61 00 37 02 ") + kHobbsOn,
         {"bad-frame 78 09 61 00 37 02 cut short",
          std::string("frame ") + kHobbsOn + " HobbsMeter on=1"}},
        {"bad frame then a good one",
         std::string("78 09 61 00 37 02 00 00 00 01 24 ") + kTrimOff,
         {"bad-frame 78 09 61 00 37 02 00 00 00 01 24 checksum 24 expected 23",
          std::string("frame ") + kTrimOff + " TrimIndicator on=0 position=0"}},
        {"a header at the end of the input",
         "78 09 61 00 37 02",
         {"bad-frame 78 09 61 00 37 02 cut short"}},
        {"a start without a header at the end of the input", "05 78 09 61", {"stray 05 78 09 61"}},
        {"a flood of stray bytes in lines of 32",
         flood,
         {"stray " + flood.substr(0, 32 * 3 - 1), "stray " + flood.substr(32 * 3)}},
    };
}

TEST(FrameReaderTest, TableOfInputs) {
    for (const Case& c : cases()) {
        EXPECT_EQ(readAll(hex(c.input)), c.lines) << c.name;
    }
}

TEST(FrameReaderTest, FramesWithRightChecksumsForModulesWeDoNotDriveAreBad) {
    const Bytes unknownModule = frameOf(50, 0x59, {1, 2, 3, 4});
    const Bytes wrongCommand = frameOf(24, 0x20, {0, 0, 0, 0});
    EXPECT_EQ(readAll(unknownModule),
              std::vector<std::string>{"bad-frame 78 09 32 00 " +
                                       panelsim::hexBytes(unknownModule.data() + 4, 7) +
                                       " unknown module type 50 (0x32), command 0x59"});
    EXPECT_EQ(readAll(wrongCommand),
              std::vector<std::string>{"bad-frame 78 09 18 00 " +
                                       panelsim::hexBytes(wrongCommand.data() + 4, 7) +
                                       " unknown module type 24 (0x18), command 0x20"});
}

TEST(FrameReaderTest, MeaningOfEveryGearCodeAndOfOddValues) {
    const std::vector<std::pair<Bytes, std::string>> rows = {
        {frameOf(99, 0x20, {2, 3, 0, 0}), "GearLights nose=GREEN left=RED right=OFF dimmed=0"},
        {frameOf(99, 0x20, {0, 2, 1, 3}), "GearLights nose=OFF left=GREEN right=RED dimmed=1"},
        {frameOf(99, 0x20, {5, 1, 0, 0xFF}),
         "GearLights nose=CODE5 left=CODE1 right=CODE255 dimmed=0"},
        {frameOf(24, 0x59, {0, 120, 0, 0}), "TrimIndicator on=0 position=120"},
        {frameOf(97, 0x02, {0, 0, 0, 7}), "HobbsMeter on=7"},
    };
    for (const auto& [frame, meaning] : rows) {
        EXPECT_EQ(readAll(frame),
                  std::vector<std::string>{"frame " + panelsim::hexBytes(frame.data(), 11) + " " +
                                           meaning});
    }
}

// What is printed must not depend on how the bytes were cut into reads.
TEST(FrameReaderTest, SameLinesWhateverTheReadSizes) {
    Bytes stream;
    std::vector<std::string> expected;
    for (const Case& c : cases()) {
        const Bytes bytes = hex(c.input);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
        // Separated by a good frame, so that each case's stray run ends where it ends alone.
        const Bytes separator = hex(kGearOff);
        stream.insert(stream.end(), separator.begin(), separator.end());
    }
    const std::vector<std::string> whole = readAll(stream);
    ASSERT_GT(whole.size(), cases().size());
    for (std::size_t size : {1, 2, 3, 5, 10, 11, 12, 16}) {
        EXPECT_EQ(readAll(stream, std::vector<std::size_t>(stream.size() / size + 1, size)), whole)
            << "reads of " << size;
    }
    // And a frame split across two reads at every place.
    const Bytes frame = hex(kHobbsOn);
    for (std::size_t cut = 1; cut < frame.size(); ++cut) {
        FrameReader reader;
        std::vector<FrameLine> lines;
        reader.feed(frame.data(), cut, lines);
        EXPECT_TRUE(lines.empty()) << "cut at " << cut;
        reader.feed(frame.data() + cut, frame.size() - cut, lines);
        ASSERT_EQ(lines.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(lines[0].kind, FrameLineKind::Frame);
        EXPECT_EQ(lines[0].bytes, frame);
    }
}

// No corrupted frame is ever taken for a good one, and the good frame behind it still is.
TEST(FrameReaderTest, EverySingleBitErrorIsCaughtAndTheNextFrameStillRead) {
    for (const char* published :
         {kTrimOff, kGearOff, kHobbsOn, "78 09 63 00 2F 20 02 03 01 00 B0"}) {
        const Bytes good = hex(published);
        for (std::size_t byte = 0; byte < good.size(); ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                Bytes stream = good;
                stream[byte] ^= static_cast<std::uint8_t>(1u << bit);
                const Bytes corrupted = stream;
                stream.insert(stream.end(), good.begin(), good.end());

                FrameReader reader;
                std::vector<FrameLine> lines;
                reader.feed(stream.data(), stream.size(), lines);
                reader.finish(lines);
                ASSERT_FALSE(lines.empty());
                int frames = 0;
                for (const FrameLine& line : lines) {
                    frames += line.kind == FrameLineKind::Frame ? 1 : 0;
                }
                EXPECT_EQ(frames, 1) << published << " byte " << byte << " bit " << bit;
                EXPECT_EQ(lines.back().kind, FrameLineKind::Frame);
                EXPECT_EQ(lines.back().bytes, good);
            }
        }
    }
}

}  // namespace

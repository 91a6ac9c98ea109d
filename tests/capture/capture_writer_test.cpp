// The capture writer: the exact bytes it lays down, round trips through the reader, and what it
// refuses or reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/capture_file.h"
#include "tests/capture/capture_test_files.h"

namespace {

using CaptureWriterTest = CaptureFileTest;

Bytes pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

TEST_F(CaptureWriterTest, LaysDownTheMagicThenLittleEndianTimeLengthAndBytes) {
    CaptureWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path_, error)) << error;
    const Bytes first = {0xAA};
    const Bytes second = pattern(0x0123, 3);
    ASSERT_TRUE(writer.append(0x0102030405060708u, first.data(), 1, error)) << error;
    ASSERT_TRUE(writer.append(0x0102030405060708u, second.data(), 0x0123, error)) << error;
    ASSERT_TRUE(writer.close(error)) << error;

    // clang-format off
    Bytes expected = {
        'Z', 'R', '8', 'C', 'A', 'P', '0', '1',
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  0x01, 0x00,  0xAA,
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  0x23, 0x01,  // then the 0x123 bytes
    };
    // clang-format on
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(readFile(path_), expected);
}

TEST_F(CaptureWriterTest, EveryAppendIsInTheFileBeforeCloseAndOpenStartsAfresh) {
    const Bytes bytes = pattern(5, 1);
    std::string error;
    {
        CaptureWriter earlier;
        ASSERT_TRUE(earlier.open(path_, error)) << error;
        ASSERT_TRUE(earlier.append(9, bytes.data(), 5, error)) << error;
    }
    CaptureWriter writer;
    ASSERT_TRUE(writer.open(path_, error)) << error;
    EXPECT_EQ(readFile(path_), layOut({}));
    ASSERT_TRUE(writer.append(3, bytes.data(), 5, error)) << error;
    EXPECT_EQ(readFile(path_), layOut({{3, bytes, 5}}));  // still open: flushed, not buffered
}

TEST_F(CaptureWriterTest, RoundTripKeepsTimesBytesAndReadBoundaries) {
    struct Append {
        std::uint64_t microseconds;
        Bytes bytes;
    };
    const std::vector<Append> appends = {
        {0, pattern(1, 0x10)},
        {0, pattern(3, 0x20)},
        {4999, {}},  // nothing arrived: nothing written
        {5000, pattern(100, 0x30)},
        {1000000, pattern(70000, 0x40)},  // more than one chunk holds
        {(std::uint64_t{1} << 40) + 1, pattern(65535, 0x50)},
        {(std::uint64_t{1} << 40) + 1, {0xFF}},
    };
    CaptureWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path_, error)) << error;
    for (const Append& append : appends) {
        ASSERT_TRUE(writer.append(append.microseconds, append.bytes.data(),
                                  static_cast<std::uint32_t>(append.bytes.size()), error))
            << error;
    }
    ASSERT_TRUE(writer.close(error)) << error;

    const Bytes& big = appends[4].bytes;
    const std::vector<std::pair<std::uint64_t, Bytes>> expected = {
        {0, appends[0].bytes},
        {0, appends[1].bytes},
        {5000, appends[3].bytes},
        {1000000, Bytes(big.begin(), big.begin() + 65535)},
        {1000000, Bytes(big.begin() + 65535, big.end())},
        {appends[5].microseconds, appends[5].bytes},
        {appends[6].microseconds, appends[6].bytes},
    };
    const ReadOutcome read = readCapture(path_);
    ASSERT_TRUE(read.opened) << read.error;
    EXPECT_EQ(read.last, CaptureStep::End) << read.error;
    ASSERT_EQ(read.chunks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read.chunks[i].microseconds, expected[i].first) << "chunk " << i;
        EXPECT_EQ(read.chunks[i].bytes, expected[i].second) << "chunk " << i;
    }
}

TEST_F(CaptureWriterTest, LinkRecordsRoundTripBetweenChunksAndRefuseTimeGoingBack) {
    CaptureWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path_, error)) << error;
    const Bytes before = {0x70, 0x90};
    const Bytes after = {0x12, 0x80};
    ASSERT_TRUE(writer.append(100, before.data(), 2, error)) << error;
    ASSERT_TRUE(writer.appendLinkEvent(2000, CaptureLinkEvent::Lost, error)) << error;
    ASSERT_TRUE(writer.appendLinkEvent(2600, CaptureLinkEvent::Restored, error)) << error;
    EXPECT_FALSE(writer.appendLinkEvent(2500, CaptureLinkEvent::Lost, error));
    EXPECT_NE(error.find("time goes back"), std::string::npos) << error;
    ASSERT_TRUE(writer.append(2600, after.data(), 2, error)) << error;
    ASSERT_TRUE(writer.close(error)) << error;

    // The records as the format lays them out: length 0, then the kind.
    const Bytes file = readFile(path_);
    ASSERT_EQ(file.size(), kCaptureMagicSize + 2 * (10 + 2) + 2 * kCaptureLinkRecordSize);
    EXPECT_EQ(file[8 + 12 + 8], 0);
    EXPECT_EQ(file[8 + 12 + 9], 0);
    EXPECT_EQ(file[8 + 12 + 10], 1);
    EXPECT_EQ(file[8 + 12 + 11 + 10], 2);

    const ReadOutcome read = readCapture(path_);
    EXPECT_EQ(read.last, CaptureStep::End) << read.error;
    ASSERT_EQ(read.chunks.size(), 4u);
    const std::vector<std::pair<CaptureLinkEvent, std::uint64_t>> expected = {
        {CaptureLinkEvent::None, 100},
        {CaptureLinkEvent::Lost, 2000},
        {CaptureLinkEvent::Restored, 2600},
        {CaptureLinkEvent::None, 2600}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read.chunks[i].link, expected[i].first) << "chunk " << i;
        EXPECT_EQ(read.chunks[i].microseconds, expected[i].second) << "chunk " << i;
        EXPECT_EQ(read.chunks[i].bytes.empty(), expected[i].first != CaptureLinkEvent::None);
    }
    EXPECT_EQ(read.chunks[3].bytes, after);
}

TEST_F(CaptureWriterTest, RefusesTimeGoingBackAndKeepsTheFileValid) {
    const Bytes bytes = pattern(4, 9);
    CaptureWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path_, error)) << error;
    ASSERT_TRUE(writer.append(1500, bytes.data(), 4, error)) << error;
    EXPECT_FALSE(writer.append(1200, bytes.data(), 4, error));
    EXPECT_NE(error.find("1200 us after 1500 us"), std::string::npos) << error;
    EXPECT_NE(error.find(path_), std::string::npos) << error;
    ASSERT_TRUE(writer.append(1500, bytes.data(), 2, error)) << error;
    ASSERT_TRUE(writer.close(error)) << error;
    EXPECT_EQ(readFile(path_),
              layOut({{1500, bytes, 4}, {1500, Bytes(bytes.begin(), bytes.begin() + 2), 2}}));
}

TEST_F(CaptureWriterTest, CannotCreateNamesThePathOnOneLine) {
    const std::string path = path_ + ".missing-folder/capture.zr8cap";
    CaptureWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open(path, error));
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(error.rfind(path + ": cannot create: ", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    const Bytes bytes = {1};
    EXPECT_FALSE(writer.append(0, bytes.data(), 1, error));
}

TEST(CaptureWriter, ReportsAFileThatTakesNothing) {
    std::FILE* probe = std::fopen("/dev/full", "wb");
    if (probe == nullptr) {
        GTEST_SKIP() << "no /dev/full here";
    }
    std::fclose(probe);
    CaptureWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open("/dev/full", error));  // the magic is flushed at once
    EXPECT_EQ(error.rfind("/dev/full: cannot write: ", 0), 0u) << error;
    EXPECT_FALSE(writer.isOpen());
}

}  // namespace

// The capture reader against files laid out by hand: good ones, damaged ones, and every
// truncation of a small one. Errors are one line naming the file and the byte offset.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/capture_file.h"
#include "tests/capture/capture_test_files.h"

namespace {

using CaptureReaderTest = CaptureFileTest;

TEST_F(CaptureReaderTest, DamagedFilesFailWithTheOffsetAfterTheGoodChunks) {
    const Bytes ok = {1, 2};  // chunk at offset 8, the next one at offset 20
    const Bytes fiftySevenCutAtTwenty(20, 0x55);
    struct Case {
        const char* what;
        Bytes file;
        std::size_t goodChunks;
        std::string error;
    };
    const Case cases[] = {
        {"empty file", {}, 0, "not a capture file (no ZR8CAP01 at offset 0)"},
        {"magic cut short",
         {'Z', 'R', '8', 'C', 'A', 'P', '0'},
         0,
         "not a capture file (no ZR8CAP01 at offset 0)"},
        {"another magic",
         {'Z', 'R', '8', 'C', 'A', 'P', '0', '2', 0, 0},
         0,
         "not a capture file (no ZR8CAP01 at offset 0)"},
        {"raw stream",
         {0x03, 0x62, 0x83, 0x93, 0x85, 0x62, 0x8c, 0xa1, 0xff},
         0,
         "not a capture file (no ZR8CAP01 at offset 0)"},
        {"length 0, unknown link record kind", layOut({{7, ok, 2}, {8, {7}, 0}}), 1,
         "chunk at offset 20 has length 0 and no known link record kind (7)"},
        {"length 0, no kind", layOut({{7, ok, 2}, {8, {2}, 0}, {9, {}, 0}}), 2,
         "link record at offset 31 cut off"},
        {"link record, time goes back", layOut({{7, ok, 2}, {6, {1}, 0}}), 1,
         "time goes back at offset 20 (6 us after 7 us)"},
        {"time goes back", layOut({{1500, ok, 2}, {1200, ok, 2}}), 1,
         "time goes back at offset 20 (1200 us after 1500 us)"},
        {"body cut off", layOut({{0, fiftySevenCutAtTwenty, 57}}), 0,
         "chunk at offset 8 says 57 bytes but the file ends after 20"},
        {"longest length, nothing behind", layOut({{0, ok, 2}, {0, {}, 65535}}), 1,
         "chunk at offset 20 says 65535 bytes but the file ends after 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(path_, c.file);
        const ReadOutcome read = readCapture(path_);
        EXPECT_EQ(read.error, path_ + ": " + c.error);
        EXPECT_EQ(read.chunks.size(), c.goodChunks);
        if (read.opened) {
            EXPECT_EQ(read.last, CaptureStep::Failed);
        }
    }
}

TEST_F(CaptureReaderTest, EveryTruncationEndsCleanlyOrFailsAtTheCutChunk) {
    const std::vector<LaidOutChunk> chunks = {
        {10, {0x41}, 1}, {20, {1, 2, 3, 4, 5}, 5}, {20, {9, 8, 7}, 3}};
    const Bytes whole = layOut(chunks);
    std::vector<std::size_t> starts;  // offset of each chunk, then the file's end
    for (std::size_t at = kCaptureMagicSize, i = 0; i <= chunks.size(); ++i) {
        starts.push_back(at);
        if (i < chunks.size()) {
            at += kCaptureChunkHeaderSize + chunks[i].bytes.size();
        }
    }
    ASSERT_EQ(starts.back(), whole.size());

    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        writeFile(path_, Bytes(whole.begin(), whole.begin() + cut));
        const ReadOutcome read = readCapture(path_);
        if (cut < kCaptureMagicSize) {
            EXPECT_FALSE(read.opened);
            EXPECT_EQ(read.error, path_ + ": not a capture file (no ZR8CAP01 at offset 0)");
            continue;
        }
        std::size_t inside = 0;  // the chunk the cut falls into
        while (inside + 1 < starts.size() && starts[inside + 1] <= cut) {
            ++inside;
        }
        const std::size_t into = cut - starts[inside];
        ASSERT_EQ(read.chunks.size(), inside);
        for (std::size_t i = 0; i < inside; ++i) {
            EXPECT_EQ(read.chunks[i].microseconds, chunks[i].microseconds);
            EXPECT_EQ(read.chunks[i].bytes, chunks[i].bytes);
        }
        const std::string at = std::to_string(starts[inside]);
        if (into == 0) {
            EXPECT_EQ(read.last, CaptureStep::End) << read.error;  // a shorter, whole capture
        } else if (into < kCaptureChunkHeaderSize) {
            EXPECT_EQ(read.last, CaptureStep::Failed);
            EXPECT_EQ(read.error, path_ + ": chunk header cut off at offset " + at);
        } else {
            EXPECT_EQ(read.last, CaptureStep::Failed);
            EXPECT_EQ(read.error, path_ + ": chunk at offset " + at + " says " +
                                      std::to_string(chunks[inside].bytes.size()) +
                                      " bytes but the file ends after " +
                                      std::to_string(into - kCaptureChunkHeaderSize));
        }
    }
}

TEST_F(CaptureReaderTest, MagicAloneIsAnEmptyCaptureThatStaysEnded) {
    writeFile(path_, layOut({}));
    CaptureReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(path_, error)) << error;
    CaptureChunk chunk;
    EXPECT_EQ(reader.next(chunk, error), CaptureStep::End) << error;
    EXPECT_EQ(reader.next(chunk, error), CaptureStep::End) << error;
    EXPECT_EQ(reader.offset(), kCaptureMagicSize);
}

TEST_F(CaptureReaderTest, AFailureRepeatsAndTheOffsetStaysAtTheBadChunk) {
    writeFile(path_, layOut({{5, {1}, 1}, {4, {2}, 1}, {6, {3}, 1}}));
    CaptureReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(path_, error)) << error;
    CaptureChunk chunk;
    ASSERT_EQ(reader.next(chunk, error), CaptureStep::Chunk) << error;
    EXPECT_EQ(reader.offset(), 19u);
    ASSERT_EQ(reader.next(chunk, error), CaptureStep::Failed);
    const std::string first = error;
    error.clear();
    EXPECT_EQ(reader.next(chunk, error), CaptureStep::Failed);
    EXPECT_EQ(error, first);
    EXPECT_EQ(reader.offset(), 19u);
}

TEST_F(CaptureReaderTest, ReadsAnOpenStreamAndLeavesItOpen) {
    writeFile(path_, layOut({{1, {0x61}, 1}, {2, {0x62, 0x63}, 2}, {1, {0x64}, 1}}));
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string error;
    CaptureChunk chunk;
    {
        CaptureReader reader;
        ASSERT_TRUE(reader.openStream(file, error, "piped")) << error;
        EXPECT_EQ(reader.next(chunk, error), CaptureStep::Chunk) << error;
        EXPECT_EQ(reader.next(chunk, error), CaptureStep::Chunk) << error;
        EXPECT_EQ(chunk.bytes, (Bytes{0x62, 0x63}));
        EXPECT_EQ(reader.next(chunk, error), CaptureStep::Failed);
        EXPECT_EQ(error, "piped: time goes back at offset 31 (1 us after 2 us)");
    }
    // Still open: a caller that has read the magic itself goes on from offset 8.
    ASSERT_EQ(std::fseek(file, 0, SEEK_SET), 0);
    std::uint8_t magic[kCaptureMagicSize];
    ASSERT_EQ(std::fread(magic, 1, sizeof magic, file), sizeof magic);
    ASSERT_TRUE(startsWithCaptureMagic(magic, sizeof magic));
    CaptureReader after;
    after.openStreamAfterMagic(file, "piped");
    EXPECT_EQ(after.next(chunk, error), CaptureStep::Chunk) << error;
    EXPECT_EQ(chunk.microseconds, 1u);
    EXPECT_EQ(chunk.bytes, (Bytes{0x61}));
    EXPECT_EQ(after.offset(), 19u);
    std::fclose(file);
}

TEST(CaptureMagic, OnlyTheWholeMagicAtTheStartCounts) {
    const std::string magic = "ZR8CAP01";
    const struct {
        std::string bytes;
        bool expected;
    } cases[] = {
        {magic, true},       {magic + "\x01\x02", true}, {"ZR8CAP0", false}, {"ZR8CAP02", false},
        {"zr8cap01", false}, {" ZR8CAP01", false},       {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startsWithCaptureMagic(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                         c.bytes.size()),
                  c.expected)
            << c.bytes;
    }
    EXPECT_FALSE(startsWithCaptureMagic(nullptr, 8));
}

TEST(CaptureReader, CannotOpenNamesThePath) {
    const std::string path = ::testing::TempDir() + "zr8-no-such-folder/none.zr8cap";
    CaptureReader reader;
    std::string error;
    EXPECT_FALSE(reader.open(path, error));
    EXPECT_EQ(error.rfind(path + ": cannot open: ", 0), 0u) << error;
    CaptureChunk chunk;
    EXPECT_EQ(reader.next(chunk, error), CaptureStep::Failed);
}

}  // namespace

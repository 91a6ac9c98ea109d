// Scratch files for the capture tests, and reading a capture through to its end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "capture/capture_file.h"

using Bytes = std::vector<std::uint8_t>;

// A file name of its own for each test, removed afterwards.
class CaptureFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = ::testing::TempDir() + "zr8-" + test->test_suite_name() + "-" + test->name() + "-" +
                std::to_string(std::random_device{}()) + ".zr8cap";
    }
    void TearDown() override { std::remove(path_.c_str()); }

    std::string path_;
};

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    if (!bytes.empty()) {
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    EXPECT_EQ(std::fclose(file), 0);
}

inline Bytes readFile(const std::string& path) {
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return bytes;
    }
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    std::fclose(file);
    return bytes;
}

// The magic, then each chunk as the format lays it out (built here by hand, not by the writer).
struct LaidOutChunk {
    std::uint64_t microseconds;
    Bytes bytes;
    std::uint32_t lengthField;  // normally bytes.size()
};

inline Bytes layOut(const std::vector<LaidOutChunk>& chunks) {
    Bytes file(kCaptureMagic, kCaptureMagic + kCaptureMagicSize);
    for (const LaidOutChunk& chunk : chunks) {
        for (int i = 0; i < 8; ++i) {
            file.push_back(static_cast<std::uint8_t>(chunk.microseconds >> (8 * i)));
        }
        file.push_back(static_cast<std::uint8_t>(chunk.lengthField & 0xFF));
        file.push_back(static_cast<std::uint8_t>(chunk.lengthField >> 8));
        file.insert(file.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return file;
}

struct ReadOutcome {
    bool opened = false;
    std::vector<CaptureChunk> chunks;
    CaptureStep last = CaptureStep::Failed;
    std::string error;
};

// Opens path and reads until End or Failed (at most a million steps, so a reader that never
// ends fails the test instead of hanging it).
inline ReadOutcome readCapture(const std::string& path) {
    ReadOutcome outcome;
    CaptureReader reader;
    outcome.opened = reader.open(path, outcome.error);
    if (!outcome.opened) {
        return outcome;
    }
    CaptureChunk chunk;
    for (int step = 0; step < 1000000; ++step) {
        outcome.last = reader.next(chunk, outcome.error);
        if (outcome.last != CaptureStep::Chunk) {
            return outcome;
        }
        outcome.chunks.push_back(chunk);
    }
    ADD_FAILURE() << "the reader never ends";
    return outcome;
}

// Fuzz target for the capture reader: any file is read through to End or Failed without a fault.
// Whatever it hands out must be exactly what the file holds: every chunk 1..65535 bytes, times
// never going back, and magic plus chunks laid out again give the file's bytes up to where the
// reader stopped. It ends at the file's end, or fails with one line naming where it stopped.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "capture/capture_file.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool oneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos;
}

// Whether data at offset holds exactly this chunk, header and bytes.
bool laidOutAt(const std::uint8_t* data, std::size_t size, std::uint64_t offset,
               const CaptureChunk& chunk) {
    const std::size_t length = chunk.bytes.size();
    if (offset + kCaptureChunkHeaderSize + length > size) {
        return false;
    }
    const std::uint8_t* at = data + offset;
    for (int i = 0; i < 8; ++i) {
        if (at[i] != static_cast<std::uint8_t>(chunk.microseconds >> (8 * i))) {
            return false;
        }
    }
    return at[8] == (length & 0xFF) && at[9] == (length >> 8) &&
           std::memcmp(at + kCaptureChunkHeaderSize, chunk.bytes.data(), length) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fmemopen takes no empty buffer; an empty file reads the same as /dev/null.
    std::FILE* file = size == 0 ? std::fopen("/dev/null", "rb")
                                : fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    check(file != nullptr);

    CaptureReader reader;
    std::string error;
    const bool opened = reader.openStream(file, error, "fuzz");
    check(opened == startsWithCaptureMagic(data, size));
    if (!opened) {
        check(oneLine(error));
        std::fclose(file);
        return 0;
    }
    check(reader.offset() == kCaptureMagicSize);

    CaptureChunk chunk;
    std::uint64_t lastMicroseconds = 0;
    for (;;) {
        const std::uint64_t offset = reader.offset();
        const CaptureStep step = reader.next(chunk, error);
        if (step == CaptureStep::Chunk && chunk.link != CaptureLinkEvent::None) {
            // A link record: no bytes, one kind byte after a header of length 0.
            check(chunk.bytes.empty() && chunk.microseconds >= lastMicroseconds);
            check(reader.offset() == offset + kCaptureLinkRecordSize && reader.offset() <= size);
            check(data[offset + 8] == 0 && data[offset + 9] == 0 &&
                  data[offset + kCaptureChunkHeaderSize] == static_cast<std::uint8_t>(chunk.link));
            lastMicroseconds = chunk.microseconds;
            continue;
        }
        if (step == CaptureStep::Chunk) {
            check(!chunk.bytes.empty() && chunk.bytes.size() <= kCaptureMaxChunkLength);
            check(chunk.microseconds >= lastMicroseconds);
            check(laidOutAt(data, size, offset, chunk));
            check(reader.offset() == offset + kCaptureChunkHeaderSize + chunk.bytes.size());
            lastMicroseconds = chunk.microseconds;
            continue;
        }
        check(reader.offset() == offset);
        if (step == CaptureStep::End) {
            check(offset == size);
        } else {
            check(offset < size);
            check(oneLine(error));
            check(error.find("offset " + std::to_string(offset)) != std::string::npos);
        }
        check(reader.next(chunk, error) == step);  // it stays where it stopped
        break;
    }
    std::fclose(file);
    return 0;
}

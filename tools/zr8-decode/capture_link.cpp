// readDeviceLink and writeDeviceLink over a recorded stream, for zr8-decode.
#include "tools/zr8-decode/capture_link.h"

#include <cerrno>
#include <cstring>

#include "capture/capture_file.h"
#include "link/device_link.h"

namespace {

struct RecordedInput {
    std::FILE* file = nullptr;
    std::string name;
    bool finished = true;
    std::string error;
    bool capture = false;
    // Raw stream: the bytes read to look for the magic, served before the rest of the file.
    std::uint8_t head[kCaptureMagicSize] = {};
    std::size_t headCount = 0;
    bool rawEnded = false;  // the file ended within the head
    // Capture: the chunk being served and how much of it has gone out.
    CaptureReader reader;
    CaptureChunk chunk;
    std::size_t chunkPosition = 0;
};

RecordedInput& input() {
    static RecordedInput recorded;
    return recorded;
}

void failRead(RecordedInput& in) {
    in.finished = true;
    in.error = "cannot read " + in.name + ": " + std::strerror(errno != 0 ? errno : EIO);
}

std::uint32_t readRaw(RecordedInput& in, std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    std::size_t count = in.headCount;
    std::memcpy(buffer, in.head, in.headCount);
    in.headCount = 0;
    if (in.rawEnded) {
        in.finished = true;
        return static_cast<std::uint32_t>(count);
    }
    errno = 0;
    count += std::fread(buffer + count, 1, kDeviceLinkReadSize - count, in.file);
    if (count < kDeviceLinkReadSize) {
        in.finished = true;
        if (std::ferror(in.file) != 0) {
            failRead(in);
        }
    }
    return static_cast<std::uint32_t>(count);
}

std::uint32_t readCapture(RecordedInput& in, std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    if (in.chunkPosition >= in.chunk.bytes.size()) {
        const CaptureStep step = in.reader.next(in.chunk, in.error);
        if (step != CaptureStep::Chunk) {
            in.finished = true;
            if (step == CaptureStep::End) {
                in.error.clear();
            }
            return 0;
        }
        in.chunkPosition = 0;
    }
    std::size_t count = in.chunk.bytes.size() - in.chunkPosition;
    if (count > kDeviceLinkReadSize) {
        count = kDeviceLinkReadSize;
    }
    std::memcpy(buffer, in.chunk.bytes.data() + in.chunkPosition, count);
    in.chunkPosition += count;
    return static_cast<std::uint32_t>(count);
}

}  // namespace

void openCaptureLink(std::FILE* file, const std::string& name) {
    RecordedInput& in = input();
    in.file = file;
    in.name = name;
    in.finished = file == nullptr;
    in.error.clear();
    in.capture = false;
    in.headCount = 0;
    in.rawEnded = false;
    in.reader.close();
    in.chunk.bytes.clear();
    in.chunkPosition = 0;
    if (file == nullptr) {
        return;
    }
    errno = 0;
    in.headCount = std::fread(in.head, 1, sizeof in.head, file);
    if (in.headCount < sizeof in.head) {
        if (std::ferror(file) != 0) {
            failRead(in);
            return;
        }
        in.rawEnded = true;
    }
    if (startsWithCaptureMagic(in.head, in.headCount)) {
        in.capture = true;
        in.headCount = 0;
        in.reader.openStreamAfterMagic(file, name);
    }
}

bool captureLinkFinished() {
    return input().finished;
}

const std::string& captureLinkError() {
    return input().error;
}

std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    RecordedInput& in = input();
    if (in.finished) {
        return 0;
    }
    return in.capture ? readCapture(in, buffer) : readRaw(in, buffer);
}

int writeDeviceLink(const std::uint8_t*, std::uint32_t) {
    return 0;  // a recording is only read
}

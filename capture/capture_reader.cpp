// CaptureReader: checks the magic, then hands out one chunk at a time, each checked against the
// file's end, its length field and the time of the one before.
#include <cerrno>
#include <cstring>

#include "capture/capture_file.h"

bool startsWithCaptureMagic(const std::uint8_t* bytes, std::size_t length) {
    return bytes != nullptr && length >= kCaptureMagicSize &&
           std::memcmp(bytes, kCaptureMagic, kCaptureMagicSize) == 0;
}

CaptureReader::~CaptureReader() {
    close();
}

bool CaptureReader::open(const std::string& path, std::string& error) {
    close();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": cannot open: " + std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    return start(file, true, path, error);
}

bool CaptureReader::openStream(std::FILE* file, std::string& error, const std::string& name) {
    close();
    if (file == nullptr) {
        error = name + ": not open";
        return false;
    }
    return start(file, false, name, error);
}

void CaptureReader::openStreamAfterMagic(std::FILE* file, const std::string& name) {
    close();
    file_ = file;
    name_ = name;
    offset_ = kCaptureMagicSize;
}

bool CaptureReader::start(std::FILE* file, bool owned, const std::string& name,
                          std::string& error) {
    file_ = file;
    owned_ = owned;
    name_ = name;
    std::uint8_t magic[kCaptureMagicSize];
    errno = 0;
    const std::size_t count = std::fread(magic, 1, sizeof magic, file_);
    std::string reason;
    if (count < sizeof magic && std::ferror(file_) != 0) {
        reason = readFailure(count);
    } else if (!startsWithCaptureMagic(magic, count)) {
        reason = "not a capture file (no ZR8CAP01 at offset 0)";
    }
    if (!reason.empty()) {
        error = name_ + ": " + reason;
        close();
        return false;
    }
    offset_ = kCaptureMagicSize;
    return true;
}

void CaptureReader::close() {
    if (owned_ && file_ != nullptr) {
        std::fclose(file_);
    }
    file_ = nullptr;
    owned_ = false;
    offset_ = 0;
    lastMicroseconds_ = 0;
    ended_ = false;
    failure_.clear();
}

CaptureStep CaptureReader::next(CaptureChunk& chunk, std::string& error) {
    if (!failure_.empty()) {
        error = failure_;
        return CaptureStep::Failed;
    }
    if (ended_) {
        return CaptureStep::End;
    }
    if (file_ == nullptr) {
        error = "capture: not open";
        return CaptureStep::Failed;
    }

    std::uint8_t header[kCaptureChunkHeaderSize];
    errno = 0;
    const std::size_t headerCount = std::fread(header, 1, sizeof header, file_);
    if (headerCount < sizeof header) {
        if (std::ferror(file_) != 0) {
            return fail(readFailure(offset_ + headerCount), error);
        }
        if (headerCount == 0) {
            ended_ = true;
            return CaptureStep::End;
        }
        return fail("chunk header cut off at offset " + std::to_string(offset_), error);
    }
    std::uint64_t microseconds = 0;
    for (int i = 7; i >= 0; --i) {
        microseconds = (microseconds << 8) | header[i];
    }
    const std::uint32_t length = header[8] | static_cast<std::uint32_t>(header[9]) << 8;
    if (microseconds < lastMicroseconds_) {
        return fail("time goes back at offset " + std::to_string(offset_) + " (" +
                        std::to_string(microseconds) + " us after " +
                        std::to_string(lastMicroseconds_) + " us)",
                    error);
    }
    if (length == 0) {
        return nextLinkRecord(microseconds, chunk, error);
    }

    chunk.bytes.resize(length);
    errno = 0;
    const std::size_t count = std::fread(chunk.bytes.data(), 1, length, file_);
    if (count < length) {
        if (std::ferror(file_) != 0) {
            return fail(readFailure(offset_ + kCaptureChunkHeaderSize + count), error);
        }
        return fail("chunk at offset " + std::to_string(offset_) + " says " +
                        std::to_string(length) + " bytes but the file ends after " +
                        std::to_string(count),
                    error);
    }
    chunk.microseconds = microseconds;
    chunk.link = CaptureLinkEvent::None;
    lastMicroseconds_ = microseconds;
    offset_ += kCaptureChunkHeaderSize + length;
    return CaptureStep::Chunk;
}

CaptureStep CaptureReader::nextLinkRecord(std::uint64_t microseconds, CaptureChunk& chunk,
                                          std::string& error) {
    std::uint8_t kind = 0;
    errno = 0;
    if (std::fread(&kind, 1, 1, file_) != 1) {
        if (std::ferror(file_) != 0) {
            return fail(readFailure(offset_ + kCaptureChunkHeaderSize), error);
        }
        return fail("link record at offset " + std::to_string(offset_) + " cut off", error);
    }
    if (kind != static_cast<std::uint8_t>(CaptureLinkEvent::Lost) &&
        kind != static_cast<std::uint8_t>(CaptureLinkEvent::Restored)) {
        return fail("chunk at offset " + std::to_string(offset_) +
                        " has length 0 and no known link record kind (" + std::to_string(kind) +
                        ")",
                    error);
    }
    chunk.microseconds = microseconds;
    chunk.bytes.clear();
    chunk.link = static_cast<CaptureLinkEvent>(kind);
    lastMicroseconds_ = microseconds;
    offset_ += kCaptureLinkRecordSize;
    return CaptureStep::Chunk;
}

CaptureStep CaptureReader::fail(const std::string& reason, std::string& error) {
    failure_ = name_ + ": " + reason;
    error = failure_;
    return CaptureStep::Failed;
}

std::string CaptureReader::readFailure(std::uint64_t at) const {
    const int code = errno != 0 ? errno : EIO;
    return "cannot read at offset " + std::to_string(at) + ": " + std::strerror(code);
}

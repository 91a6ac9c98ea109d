// CaptureWriter: the magic, then one chunk per read, each flushed before append returns.
#include <cerrno>
#include <cstring>

#include "capture/capture_file.h"

namespace {

std::string systemReason(const char* what) {
    const int code = errno != 0 ? errno : EIO;
    return std::string(what) + ": " + std::strerror(code);
}

}  // namespace

CaptureWriter::~CaptureWriter() {
    std::string ignored;
    close(ignored);
}

bool CaptureWriter::open(const std::string& path, std::string& error) {
    if (!close(error)) {
        return false;
    }
    path_ = path;
    failure_.clear();
    lastMicroseconds_ = 0;
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = path + ": " + systemReason("cannot create");
        return false;
    }
    errno = 0;
    if (std::fwrite(kCaptureMagic, 1, kCaptureMagicSize, file_) != kCaptureMagicSize ||
        std::fflush(file_) != 0) {
        error = path + ": " + systemReason("cannot write");
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool CaptureWriter::append(std::uint64_t microseconds, const std::uint8_t* bytes,
                           std::uint32_t length, std::string& error) {
    if (!writable(error)) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    if (bytes == nullptr) {
        error = path_ + ": no bytes given for a chunk of " + std::to_string(length);
        return false;
    }
    if (!advanceTime(microseconds, "chunk", error)) {
        return false;
    }
    while (length > 0) {
        const std::uint32_t piece =
            length < kCaptureMaxChunkLength ? length : kCaptureMaxChunkLength;
        if (!writeChunk(microseconds, bytes, piece, error)) {
            return false;
        }
        bytes += piece;
        length -= piece;
    }
    errno = 0;
    if (std::fflush(file_) != 0) {
        return fail(systemReason("cannot write"), error);
    }
    return true;
}

bool CaptureWriter::appendLinkEvent(std::uint64_t microseconds, CaptureLinkEvent event,
                                    std::string& error) {
    if (!writable(error)) {
        return false;
    }
    if (event == CaptureLinkEvent::None) {
        return true;
    }
    if (!advanceTime(microseconds, "link record", error)) {
        return false;
    }
    std::uint8_t record[kCaptureLinkRecordSize] = {};
    for (int i = 0; i < 8; ++i) {
        record[i] = static_cast<std::uint8_t>(microseconds >> (8 * i));
    }
    record[kCaptureChunkHeaderSize] = static_cast<std::uint8_t>(event);  // length 0, then kind
    errno = 0;
    if (std::fwrite(record, 1, sizeof record, file_) != sizeof record || std::fflush(file_) != 0) {
        return fail(systemReason("cannot write"), error);
    }
    return true;
}

bool CaptureWriter::writable(std::string& error) const {
    if (file_ == nullptr) {
        error = "capture: not open";
        return false;
    }
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }
    return true;
}

bool CaptureWriter::advanceTime(std::uint64_t microseconds, const char* what, std::string& error) {
    if (microseconds < lastMicroseconds_) {
        error = path_ + ": time goes back (" + std::to_string(microseconds) + " us after " +
                std::to_string(lastMicroseconds_) + " us), " + what + " not written";
        return false;
    }
    lastMicroseconds_ = microseconds;
    return true;
}

bool CaptureWriter::writeChunk(std::uint64_t microseconds, const std::uint8_t* bytes,
                               std::uint32_t length, std::string& error) {
    std::uint8_t header[kCaptureChunkHeaderSize];
    for (int i = 0; i < 8; ++i) {
        header[i] = static_cast<std::uint8_t>(microseconds >> (8 * i));
    }
    header[8] = static_cast<std::uint8_t>(length);
    header[9] = static_cast<std::uint8_t>(length >> 8);
    errno = 0;
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header ||
        std::fwrite(bytes, 1, length, file_) != length) {
        return fail(systemReason("cannot write"), error);
    }
    return true;
}

bool CaptureWriter::close(std::string& error) {
    if (file_ == nullptr) {
        return true;
    }
    errno = 0;
    const bool flushed = std::fflush(file_) == 0;
    const std::string flushReason = flushed ? std::string() : systemReason("cannot write");
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    const std::string closeReason = closed ? std::string() : systemReason("cannot close");
    file_ = nullptr;
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }
    if (!flushed || !closed) {
        error = path_ + ": " + (!flushed ? flushReason : closeReason);
        return false;
    }
    return true;
}

bool CaptureWriter::fail(const std::string& reason, std::string& error) {
    failure_ = path_ + ": " + reason;
    error = failure_;
    return false;
}

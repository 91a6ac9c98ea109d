// The tool's output frames as lines of text: framing, both checksums and the meaning of the
// three frame kinds.
#include "tools/panel-sim/frame_reader.h"

#include <cstdio>

namespace panelsim {

namespace {

constexpr std::uint8_t kFrameStart = 0x78;
constexpr std::uint8_t kFrameLength = 9;  // bytes after the length byte
constexpr std::size_t kHeaderSize = 5;    // start, length, module, 0, header checksum
constexpr std::size_t kFrameSize = kOutputFrameSize;
// A long run of stray bytes (a flood) is reported in lines of this many bytes.
constexpr std::size_t kStrayLineBytes = 32;

std::uint8_t checksumOf(const std::uint8_t* frame, int n) {
    std::uint8_t copy[kOutputFrameSize] = {};
    for (int i = 0; i < n; ++i) {
        copy[i] = frame[i];
    }
    frameChecksum(copy, n);
    return copy[n];
}

// Needs kHeaderSize bytes at frame.
bool headerRight(const std::uint8_t* frame) {
    return frame[0] == kFrameStart && frame[1] == kFrameLength && checksumOf(frame, 4) == frame[4];
}

const char* gearLightName(std::uint8_t code, char (&other)[16]) {
    switch (code) {
        case 0:
            return "OFF";
        case 3:
            return "RED";
        case 2:
            return "GREEN";
        default:
            std::snprintf(other, sizeof other, "CODE%u", static_cast<unsigned>(code));
            return other;
    }
}

std::string hexByte(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte));
    return text;
}

}  // namespace

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += hexByte(bytes[i]);
    }
    return text;
}

std::string describeFrame(const std::uint8_t (&frame)[kOutputFrameSize]) {
    const std::uint8_t module = frame[2];
    const std::uint8_t command = frame[5];
    char text[128];
    if (module == 24 && command == 0x59) {
        std::snprintf(text, sizeof text, "TrimIndicator on=%u position=%u",
                      static_cast<unsigned>(frame[6]), static_cast<unsigned>(frame[7]));
    } else if (module == 99 && command == 0x20) {
        char nose[16];
        char left[16];
        char right[16];
        std::snprintf(text, sizeof text, "GearLights nose=%s left=%s right=%s dimmed=%u",
                      gearLightName(frame[6], nose), gearLightName(frame[7], left),
                      gearLightName(frame[9], right), static_cast<unsigned>(frame[8]));
    } else if (module == 97 && command == 0x02) {
        std::snprintf(text, sizeof text, "HobbsMeter on=%u", static_cast<unsigned>(frame[9]));
    } else {
        return {};
    }
    return text;
}

void FrameReader::feed(const std::uint8_t* bytes, std::size_t count, std::vector<FrameLine>& out) {
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    drain(false, out);
}

void FrameReader::finish(std::vector<FrameLine>& out) {
    drain(true, out);
    emitStray(out);
}

void FrameReader::emitStray(std::vector<FrameLine>& out) {
    if (stray_.empty()) {
        return;
    }
    out.push_back(
        {FrameLineKind::Stray, stray_, "stray " + hexBytes(stray_.data(), stray_.size())});
    stray_.clear();
}

void FrameReader::drain(bool final, std::vector<FrameLine>& out) {
    const std::uint8_t* b = buffer_.data();
    const std::size_t n = buffer_.size();
    std::size_t p = 0;
    auto report = [&](FrameLineKind kind, std::size_t count, const std::string& tail) {
        emitStray(out);
        FrameLine line{kind, std::vector<std::uint8_t>(b + p, b + p + count), {}};
        line.text = (kind == FrameLineKind::Frame ? "frame " : "bad-frame ") +
                    hexBytes(b + p, count) + ' ' + tail;
        out.push_back(std::move(line));
        p += count;
    };

    while (p < n) {
        if (stray_.size() >= kStrayLineBytes) {
            emitStray(out);
        }
        const std::size_t available = n - p;
        if (b[p] != kFrameStart) {
            stray_.push_back(b[p++]);
            continue;
        }
        if (available < 2) {
            if (!final) {
                break;
            }
            stray_.push_back(b[p++]);
            continue;
        }
        if (b[p + 1] != kFrameLength) {
            stray_.push_back(b[p++]);
            continue;
        }

        // A frame candidate. A complete one with both checksums right is taken as it is.
        if (available >= kFrameSize && headerRight(b + p) && checksumOf(b + p, 10) == b[p + 10]) {
            std::uint8_t frame[kOutputFrameSize];
            for (std::size_t i = 0; i < kFrameSize; ++i) {
                frame[i] = b[p + i];
            }
            const std::string meaning = describeFrame(frame);
            if (!meaning.empty()) {
                report(FrameLineKind::Frame, kFrameSize, meaning);
            } else {
                char reason[96];
                std::snprintf(reason, sizeof reason,
                              "unknown module type %u (0x%02X), command 0x%02X",
                              static_cast<unsigned>(frame[2]), static_cast<unsigned>(frame[2]),
                              static_cast<unsigned>(frame[5]));
                report(FrameLineKind::BadFrame, kFrameSize, reason);
            }
            continue;
        }
        if (available < kFrameSize && !final) {
            break;  // may still become a good frame
        }

        // Not a good frame. Does a frame with a right header start inside it?
        std::size_t restart = 0;
        bool undecided = false;
        for (std::size_t k = 1; k < kFrameSize && k < available; ++k) {
            if (b[p + k] != kFrameStart) {
                continue;
            }
            if (available - k < kHeaderSize) {
                undecided = !final;
                break;
            }
            if (headerRight(b + p + k)) {
                restart = k;
                break;
            }
        }
        if (undecided) {
            break;
        }
        const bool ownHeaderRight = available >= kHeaderSize && headerRight(b + p);
        if (restart > 0 || available < kFrameSize) {
            const std::size_t count = restart > 0 ? restart : available;
            if (ownHeaderRight) {
                report(FrameLineKind::BadFrame, count, "cut short");
            } else {
                stray_.insert(stray_.end(), b + p, b + p + count);
                p += count;
            }
            continue;
        }
        char reason[64];
        if (!ownHeaderRight) {
            std::snprintf(reason, sizeof reason, "header checksum %02X expected %02X",
                          static_cast<unsigned>(b[p + 4]),
                          static_cast<unsigned>(checksumOf(b + p, 4)));
        } else {
            std::snprintf(reason, sizeof reason, "checksum %02X expected %02X",
                          static_cast<unsigned>(b[p + 10]),
                          static_cast<unsigned>(checksumOf(b + p, 10)));
        }
        report(FrameLineKind::BadFrame, kFrameSize, reason);
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(p));
}

}  // namespace panelsim

// Splits the bytes the tool sends into its 11-byte output frames and describes each as one line
// of text. Pure: no I/O, no clock; the caller feeds bytes as they arrive and calls finish() when
// no more will come for a while (so a cut-off frame or a trailing run of stray bytes is shown).
//
// Lines produced:
//   frame <11 hex bytes> <meaning>            both checksums right, known module and command
//   bad-frame <11 hex bytes> <reason>          header or closing checksum wrong, or a frame with
//                                              right checksums for a module/command we do not
//                                              drive
//   bad-frame <hex bytes> cut short            a frame header whose frame never completed
//   stray <hex bytes>                          bytes that are not part of any frame (a long
//                                              run in lines of 32 bytes or a few more)
//
// Resynchronisation: a 0x78 is taken for the start of a frame only when it is followed by the
// length byte 9. Where a frame does not check out, the reader looks for a later 0x78 inside it
// that starts a frame with a right header; if there is one, the bytes before it are reported and
// reading resumes there, so a stray 0x78 never swallows the frame behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/frame_checksum.h"

namespace panelsim {

enum class FrameLineKind { Frame, BadFrame, Stray };

struct FrameLine {
    FrameLineKind kind;
    std::vector<std::uint8_t> bytes;
    std::string text;  // the whole line, without a newline
};

// Meaning of a frame whose checksums are right, e.g. "HobbsMeter on=1"; empty when the module and
// command byte are not one of the three output frames.
std::string describeFrame(const std::uint8_t (&frame)[kOutputFrameSize]);

// "78 09 61" for the bytes 0x78 0x09 0x61.
std::string hexBytes(const std::uint8_t* bytes, std::size_t count);

class FrameReader {
  public:
    // Takes the bytes and appends a line for everything they complete.
    void feed(const std::uint8_t* bytes, std::size_t count, std::vector<FrameLine>& out);
    // No more bytes for now: whatever is still held is reported.
    void finish(std::vector<FrameLine>& out);
    // Bytes held back: what they are depends on bytes still to come, or they are a run of stray
    // bytes that has not ended yet.
    std::size_t pending() const { return buffer_.size() + stray_.size(); }

  private:
    void drain(bool final, std::vector<FrameLine>& out);
    void emitStray(std::vector<FrameLine>& out);

    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> stray_;  // a run of stray bytes, reported as one line when it ends
};

}  // namespace panelsim

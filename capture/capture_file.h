// Capture files: what arrived from a mainboard, read by read, with the time of each read.
// The layout is in docs/capture-format.md. Both classes use standard C stdio only, so they build
// the same on Linux and Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

constexpr char kCaptureMagic[8] = {'Z', 'R', '8', 'C', 'A', 'P', '0', '1'};
constexpr std::size_t kCaptureMagicSize = sizeof kCaptureMagic;
// Microseconds (8 bytes) and length (2 bytes), little-endian, before each chunk's bytes.
constexpr std::size_t kCaptureChunkHeaderSize = 10;
constexpr std::uint32_t kCaptureMaxChunkLength = 65535;
// A chunk of length 0 is a link record: one byte after its header says what happened to the link.
constexpr std::size_t kCaptureLinkRecordSize = kCaptureChunkHeaderSize + 1;

enum class CaptureLinkEvent : std::uint8_t { None = 0, Lost = 1, Restored = 2 };

// Writes a capture as it goes: every append reaches the file before it returns, so a capture cut
// short by a crash keeps every complete chunk.
class CaptureWriter {
  public:
    CaptureWriter() = default;
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;
    ~CaptureWriter();  // closes; errors are lost, call close() to see them

    // Creates (or empties) path and writes the magic. A writer that is already open is closed
    // first. error: one line naming path and the reason.
    bool open(const std::string& path, std::string& error);

    // One read of length bytes at microseconds since the capture started. Times never go back.
    // Length 0 writes nothing and succeeds; more than 65535 bytes become several chunks of the
    // same time. After a failed write the writer stays failed: the file ends at the last
    // complete chunk or in a cut-off one, and nothing more is written.
    bool append(std::uint64_t microseconds, const std::uint8_t* bytes, std::uint32_t length,
                std::string& error);

    // A link record: the port or adapter went away (Lost) or was opened again (Restored) at
    // microseconds. Times never go back; failures as for append.
    bool appendLinkEvent(std::uint64_t microseconds, CaptureLinkEvent event, std::string& error);

    // Flushes and closes. False when this or an earlier write failed (the capture is incomplete).
    // Closing a writer that is not open succeeds.
    bool close(std::string& error);

    bool isOpen() const { return file_ != nullptr; }

  private:
    bool fail(const std::string& reason, std::string& error);
    // Open and no earlier write failed; else false with the reason.
    bool writable(std::string& error) const;
    // Takes the time of the next record (what: "chunk", "link record"); false, and nothing is
    // written, when it goes back.
    bool advanceTime(std::uint64_t microseconds, const char* what, std::string& error);
    bool writeChunk(std::uint64_t microseconds, const std::uint8_t* bytes, std::uint32_t length,
                    std::string& error);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string failure_;  // the first write error, empty while all is well
    std::uint64_t lastMicroseconds_ = 0;
};

struct CaptureChunk {
    std::uint64_t microseconds = 0;
    // 1..65535 bytes after a Chunk step, or none with link set: a link record.
    std::vector<std::uint8_t> bytes;
    CaptureLinkEvent link = CaptureLinkEvent::None;
};

enum class CaptureStep { Chunk, End, Failed };

// Reads a capture chunk by chunk. Any file content is safe: a chunk never takes more than its
// length field allows (65535 bytes), and whatever is wrong ends the reading with one line that
// names the file and the byte offset.
class CaptureReader {
  public:
    CaptureReader() = default;
    CaptureReader(const CaptureReader&) = delete;
    CaptureReader& operator=(const CaptureReader&) = delete;
    ~CaptureReader();

    // Opens path and checks the magic.
    bool open(const std::string& path, std::string& error);
    // Reads from an already-open file (standard input, say), which stays open; name stands for
    // it in messages. Checks the magic. The file must read bytes unchanged: on Windows standard
    // input starts in text mode and needs switching to binary first.
    bool openStream(std::FILE* file, std::string& error,
                    const std::string& name = "standard input");
    // As openStream, for a caller that has already read the magic from file and checked it
    // with startsWithCaptureMagic: reading goes on at offset 8.
    void openStreamAfterMagic(std::FILE* file, const std::string& name);
    void close();

    // The next chunk into chunk (its storage is reused), End after the last complete chunk, or
    // Failed with error set. After End or Failed every call gives the same again.
    CaptureStep next(CaptureChunk& chunk, std::string& error);

    // Byte offset of the next chunk: the size of what has been read without fault.
    std::uint64_t offset() const { return offset_; }

  private:
    bool start(std::FILE* file, bool owned, const std::string& name, std::string& error);
    CaptureStep fail(const std::string& reason, std::string& error);
    CaptureStep nextLinkRecord(std::uint64_t microseconds, CaptureChunk& chunk, std::string& error);
    std::string readFailure(std::uint64_t at) const;

    std::FILE* file_ = nullptr;
    bool owned_ = false;
    std::string name_;
    std::uint64_t offset_ = 0;
    std::uint64_t lastMicroseconds_ = 0;
    bool ended_ = false;
    std::string failure_;  // set once reading has failed
};

// Whether the first bytes are a capture's magic (for telling captures from raw streams).
bool startsWithCaptureMagic(const std::uint8_t* bytes, std::size_t length);

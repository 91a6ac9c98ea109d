// Linux serial-port service: COM1..COM8 over termios, each port the device the port map names.
//
// A port is taken with exclusive access: TIOCEXCL keeps other ordinary users' opens out, and a
// non-blocking flock keeps out another copy of the tool even when it runs as root (root is not
// held back by TIOCEXCL). A tty that another program has already made exclusive counts as held,
// whoever we are. Reads and writes never block: the descriptor stays O_NONBLOCK, a read takes
// what has arrived, and a write waits for room at most writeStallLimit before dropping the rest.
// No call that takes an open port allocates memory.
//
// Install it with installSerialPortService(&service) and keep the object alive while installed.
#pragma once

#include <chrono>
#include <cstdint>

#include "link/posix/port_map.h"
#include "link/serial_port_service.h"

class PosixSerialPortService final : public SerialPortService {
  public:
    // How long one writePort call may wait in all for the line to take its bytes.
    static constexpr std::chrono::milliseconds kDefaultWriteStallLimit{5};
    // How long closePort lets bytes still queued for the line drain before discarding them.
    static constexpr std::chrono::milliseconds kCloseDrainLimit{200};

    explicit PosixSerialPortService(
        std::chrono::milliseconds writeStallLimit = kDefaultWriteStallLimit);
    // Closes every port still open.
    ~PosixSerialPortService() override;
    PosixSerialPortService(const PosixSerialPortService&) = delete;
    PosixSerialPortService& operator=(const PosixSerialPortService&) = delete;

    bool probePort(int portNumber) override;
    SerialPort openPort(int portNumber) override;
    bool configurePort(SerialPort port, std::uint32_t baudRate) override;
    void setReadsNonBlocking(SerialPort port) override;
    void purgePort(SerialPort port) override;
    std::uint32_t readPort(SerialPort port, std::uint8_t* buffer, std::uint32_t capacity) override;
    void writePort(SerialPort port, const std::uint8_t* bytes, std::uint32_t length) override;
    void closePort(SerialPort port) override;
    // Gone once a read found the device vanished (EIO, ENXIO, ENODEV) or hung up (a pty whose
    // other side closed: EIO, or nothing with POLLHUP).
    bool portGone(SerialPort port) override;

  private:
    struct OpenPort {
        int fd = -1;  // -1 = slot free
        bool gone = false;
    };
    // Each COM port opens at most once, so one slot per port number is enough.
    static constexpr int kSlots = kLastComPort;

    // The descriptor behind a handle this service gave out and has not closed; -1 otherwise.
    int descriptorOf(SerialPort port) const;
    // The open port behind a handle this service gave out; null otherwise.
    const OpenPort* slotOf(SerialPort port) const;
    OpenPort* slotOf(SerialPort port);

    std::chrono::milliseconds writeStallLimit_;
    OpenPort slots_[kSlots];
};

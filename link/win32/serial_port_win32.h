// Windows serial-port service: COM1..COM8 over the KERNEL32 comm API.
//
// Ports are opened for overlapped I/O with exclusive access. No read or write is ever left
// outstanding when a call returns, since the caller's buffer may be gone by then:
// - readPort asks the driver how many bytes are queued (ClearCommError) and reads no more than
//   that, so the read has its bytes at hand. Should it still go pending (a driver that does not
//   complete at once, as Wine does when nothing is there), it is cancelled after a short wait and
//   its result collected, so every byte the port delivered is returned.
// - writePort waits at most kWriteWaitLimitMs for the line to take the bytes; then it cancels the
//   write and waits for the cancellation, so a stalled line never hangs the window.
// Reads and writes allocate no memory: each open port has its own event and OVERLAPPED records.
//
// Install it with installSerialPortService(&service) and keep the object alive while installed;
// it closes every port still open when it goes.
#pragma once

#include <windows.h>

#include <cstdint>

#include "link/serial_port_service.h"

class Win32SerialPortService final : public SerialPortService {
  public:
    static constexpr DWORD kWriteWaitLimitMs = 50;
    // How long a read that went pending with its bytes already queued may take to complete.
    static constexpr DWORD kReadWaitLimitMs = 10;
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 8;

    Win32SerialPortService() = default;
    ~Win32SerialPortService() override;
    Win32SerialPortService(const Win32SerialPortService&) = delete;
    Win32SerialPortService& operator=(const Win32SerialPortService&) = delete;

    bool probePort(int portNumber) override;
    SerialPort openPort(int portNumber) override;
    bool configurePort(SerialPort port, std::uint32_t baudRate) override;
    void setReadsNonBlocking(SerialPort port) override;
    void purgePort(SerialPort port) override;
    std::uint32_t readPort(SerialPort port, std::uint8_t* buffer, std::uint32_t capacity) override;
    void writePort(SerialPort port, const std::uint8_t* bytes, std::uint32_t length) override;
    void closePort(SerialPort port) override;
    // Gone once ClearCommError or ReadFile failed as they do for a removed device
    // (ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED and the like).
    bool portGone(SerialPort port) override;

  private:
    struct OpenPort {
        HANDLE handle = INVALID_HANDLE_VALUE;  // INVALID_HANDLE_VALUE = slot free
        HANDLE readEvent = nullptr;
        HANDLE writeEvent = nullptr;
        OVERLAPPED readOverlapped = {};
        OVERLAPPED writeOverlapped = {};
        bool gone = false;
    };
    // One slot per COM port: each port opens at most once.
    static constexpr int kSlots = kLastPort - kFirstPort + 1;

    // The slot behind a handle this service gave out and has not closed; null otherwise.
    OpenPort* slotOf(SerialPort port);
    static void release(OpenPort& slot);

    OpenPort slots_[kSlots];
};

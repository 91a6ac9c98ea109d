// What the tool needs of the system's serial ports. One implementation per platform (the
// KERNEL32 comm API on Windows, termios on Linux) and a fake for tests. Ports are numbered as
// the user knows them: 1 for COM1.
#pragma once

#include <cstdint>

struct SerialPortObject;
using SerialPort = SerialPortObject*;  // null = no port open

class SerialPortService {
  public:
    virtual ~SerialPortService() = default;

    // The scan's probe: the port exists (its default configuration can be read) and can be
    // opened with exclusive access right now. Any port it opened is closed again.
    virtual bool probePort(int portNumber) = 0;

    // Opens the port for reading and writing with exclusive access; null when it is missing or
    // held by another program.
    virtual SerialPort openPort(int portNumber) = 0;
    // Reads the port's settings and writes them back with the given speed, 8 data bits, no
    // parity and one stop bit, keeping every other setting. false when either step failed.
    virtual bool configurePort(SerialPort port, std::uint32_t baudRate) = 0;
    // Makes reads return at once with what has arrived, possibly nothing. Not checked.
    virtual void setReadsNonBlocking(SerialPort port) = 0;
    // Discards whatever waits in both directions. Not checked.
    virtual void purgePort(SerialPort port) = 0;
    // Copies what has arrived, at most capacity bytes, without waiting; 0 on failure.
    virtual std::uint32_t readPort(SerialPort port, std::uint8_t* buffer,
                                   std::uint32_t capacity) = 0;
    // Hands the bytes to the port; never hangs the caller. Not checked.
    virtual void writePort(SerialPort port, const std::uint8_t* bytes, std::uint32_t length) = 0;
    virtual void closePort(SerialPort port) = 0;
    // Whether the port went away for good since it was opened (the device was unplugged, the
    // other side of a pty closed), as its reads found; nothing more will arrive until it is
    // closed and opened again. A service that cannot tell says false.
    virtual bool portGone(SerialPort port) {
        (void)port;
        return false;
    }
};

// The process-wide serial port service; until a platform installs one, a stand-in that finds
// no port stands in.
SerialPortService& serialPortService();
void installSerialPortService(SerialPortService* service);  // null restores the stand-in

// A fake serial port service for tests: a set of COM ports the test sets up, each present and
// free, held by another program, or failing its configuration, with bytes that have arrived
// waiting to be read. Installs itself as the process-wide service while it lives.
//
// Every call is logged in order, naming the port as the user knows it:
//   probe(COM3)  open(COM3)  configure(COM3, 38400)  nonBlockingReads(COM3)  purge(COM3)
//   read(COM3, 100)  write(COM3, 11)  close(COM3)
// A call with a handle the fake did not hand out, or one already closed, names the port
// "<bad handle>" (or "<null>") and is counted by badHandleCalls().
//
// Like a real port: opening is exclusive (a port already open does not open again), the purge
// discards whatever had arrived (queue bytes after the port is open), and a read copies at most
// what was asked for and what has arrived, without waiting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "link/serial_port_service.h"

class FakeSerialPortService : public SerialPortService {
  public:
    FakeSerialPortService() { installSerialPortService(this); }
    ~FakeSerialPortService() override { installSerialPortService(nullptr); }
    FakeSerialPortService(const FakeSerialPortService&) = delete;
    FakeSerialPortService& operator=(const FakeSerialPortService&) = delete;

    // Set-up. A port that was never added is absent. The other set-up calls do not add a port.
    void addPort(int portNumber);            // present and free
    void holdPort(int portNumber);           // present, but open in another program
    void releasePort(int portNumber);        // the other program lets go of it
    void removePort(int portNumber);         // unplugged; an open handle goes bad
    void failConfiguration(int portNumber);  // configurePort returns false
    void failReads(int portNumber);          // readPort returns 0, taking nothing
    void overstateReads(int portNumber,
                        std::uint32_t extra);  // reports extra bytes it never copied
    void queue(int portNumber, const std::vector<std::uint8_t>& bytes);  // bytes that arrived

    // What happened.
    const std::vector<std::string>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    std::vector<std::string> logOf(const std::string& prefix) const;  // entries starting so
    bool isOpen(int portNumber) const;
    int openPortCount() const;
    std::uint32_t baudRate(int portNumber) const;  // last speed configured; 0 = never
    std::size_t waiting(int portNumber) const;     // bytes arrived and not yet read
    // Every write made to the port, one entry per call, in order.
    std::vector<std::vector<std::uint8_t>> writes(int portNumber) const;
    int badHandleCalls() const { return badHandleCalls_; }

    // SerialPortService
    bool probePort(int portNumber) override;
    SerialPort openPort(int portNumber) override;
    bool configurePort(SerialPort port, std::uint32_t baudRate) override;
    void setReadsNonBlocking(SerialPort port) override;
    void purgePort(SerialPort port) override;
    std::uint32_t readPort(SerialPort port, std::uint8_t* buffer, std::uint32_t capacity) override;
    void writePort(SerialPort port, const std::uint8_t* bytes, std::uint32_t length) override;
    void closePort(SerialPort port) override;

  private:
    struct Port {
        bool present = false;
        bool held = false;
        bool failConfiguration = false;
        bool failReads = false;
        std::uint32_t overstatement = 0;
        std::vector<std::uint8_t> incoming;
        std::vector<std::vector<std::uint8_t>> writes;
        std::uint32_t baudRate = 0;
        std::uintptr_t openToken = 0;  // 0 = not open here
    };

    // Logs call(port<arguments>) and returns the open port behind handle, or null (counted
    // as a bad handle call).
    Port* use(const char* call, SerialPort handle, const std::string& arguments = "");
    const Port* find(int portNumber) const;

    std::map<int, Port> ports_;
    std::vector<std::string> log_;
    std::uintptr_t nextToken_ = 1;
    int badHandleCalls_ = 0;
};

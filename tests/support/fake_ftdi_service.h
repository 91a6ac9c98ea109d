// A fake FTDI service for tests: adapters the test plugs in, in device-index order, each with a
// programmed description, a blank EEPROM or a failing EEPROM read, and adapters that fail to
// open; a count call that can fail; bytes waiting to be read; the bytes written. Installs
// itself as the process-wide service while it lives.
//
// Every call is logged in order, naming an open adapter by its device index:
//   count()  open(0)  readDescription(USB0)  setBaudRate(USB0, 38400)
//   setDataCharacteristics(USB0, 8, 0, 0)  setFlowControl(USB0, 0, 0, 0)  setLatencyTimer(USB0, 1)
//   purge(USB0, 3)  readIdentity(USB0)
//   queueStatus(USB0)  read(USB0, 100)  write(USB0, 11)  close(USB0)
// A call with a handle the fake did not hand out, or one already closed, names the adapter
// "<bad handle>" (or "<null>"), fails with status 1 and is counted by badHandleCalls().
//
// Like D2XX: an adapter already open does not open again; a purge whose mask holds the receive
// bit (1) discards what had arrived (queue bytes after the adapter is open); a read asked for
// more than is waiting would wait for the panel, so the fake serves what is there and counts it
// in readsThatWouldWait().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/ftdi_service.h"

class FakeFtdiService : public FtdiService {
  public:
    FakeFtdiService() { installFtdiService(this); }
    ~FakeFtdiService() override { installFtdiService(nullptr); }
    FakeFtdiService(const FakeFtdiService&) = delete;
    FakeFtdiService& operator=(const FakeFtdiService&) = delete;

    // Set-up. Each add returns the new adapter's device index (0, 1, ... in the order added).
    // The description fills the 64-byte EEPROM field: one of 64 bytes or more is cut to 64 and
    // has no terminating NUL.
    int addDevice(const std::string& description);
    int addUnprogrammedDevice();  // description read gives status 15
    int addDeviceFailingEepromRead(FtdiStatus status = kFtdiEepromReadFailed);
    int addDeviceFailingOpen(FtdiStatus status = kFtdiDeviceNotOpened);
    void removeDevice(int deviceIndex);  // unplugged: later adapters move down one index
    // The adapter's USB serial number and place on the buses (both empty unless set).
    void setIdentity(int deviceIndex, const std::string& serialNumber, const std::string& place);
    void failCount(FtdiStatus status);  // countDevices fails, leaving the count alone
    // Calls on the adapter that fail with the status given (outputs left alone):
    void failConfiguration(int deviceIndex, FtdiStatus status = kFtdiIoError);  // baud..purge
    void failQueueStatus(int deviceIndex, FtdiStatus status = kFtdiIoError);
    void failReads(int deviceIndex, FtdiStatus status = kFtdiIoError);
    void failWrites(int deviceIndex, FtdiStatus status = kFtdiIoError);  // nothing is written
    void overstateReads(int deviceIndex, std::uint32_t extra);  // reports bytes it never copied
    void queue(int deviceIndex, const std::vector<std::uint8_t>& bytes);  // bytes that arrived

    // What happened.
    const std::vector<std::string>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    std::vector<std::string> logOf(const std::string& prefix) const;  // entries starting so
    bool isOpen(int deviceIndex) const;
    int openDeviceCount() const;
    std::size_t waiting(int deviceIndex) const;  // bytes arrived and not yet read
    // Every successful write to the adapter, one entry per call, in order.
    std::vector<std::vector<std::uint8_t>> writes(int deviceIndex) const;
    int badHandleCalls() const { return badHandleCalls_; }
    int readsThatWouldWait() const { return readsThatWouldWait_; }

    // FtdiService
    FtdiStatus countDevices(std::uint32_t& count) override;
    FtdiStatus openByIndex(std::int32_t index, FtdiHandle& handle) override;
    FtdiStatus readDescription(FtdiHandle handle,
                               char (&description)[kFtdiDescriptionSize]) override;
    FtdiStatus setBaudRate(FtdiHandle handle, std::uint32_t baudRate) override;
    FtdiStatus setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                      std::uint8_t stopBits, std::uint8_t parity) override;
    FtdiStatus setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                              std::uint8_t xoff) override;
    FtdiStatus purge(FtdiHandle handle, std::uint32_t mask) override;
    FtdiStatus setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) override;
    FtdiStatus queueStatus(FtdiHandle handle, std::uint32_t& waiting) override;
    FtdiStatus read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                    std::uint32_t& received) override;
    FtdiStatus write(FtdiHandle handle, const std::uint8_t* bytes, std::uint32_t length,
                     std::uint32_t& written) override;
    FtdiStatus close(FtdiHandle handle) override;
    FtdiStatus readIdentity(FtdiHandle handle, FtdiIdentity& identity) override;

  private:
    struct Device {
        char description[kFtdiDescriptionSize] = {};
        FtdiIdentity identity;
        FtdiStatus eepromStatus = kFtdiOk;
        FtdiStatus openStatus = kFtdiOk;
        FtdiStatus configurationStatus = kFtdiOk;
        FtdiStatus queueStatusStatus = kFtdiOk;
        FtdiStatus readStatus = kFtdiOk;
        FtdiStatus writeStatus = kFtdiOk;
        std::uint32_t overstatement = 0;
        std::vector<std::uint8_t> incoming;
        std::vector<std::vector<std::uint8_t>> writes;
        std::uintptr_t openToken = 0;  // 0 = not open
    };

    Device& device(int deviceIndex);  // a test naming an adapter it never added fails loudly
    const Device* find(int deviceIndex) const;
    // Logs call(adapter<arguments>) and returns the open adapter behind handle, or null
    // (counted as a bad handle call).
    Device* use(const char* call, FtdiHandle handle, const std::string& arguments = "");

    std::vector<Device> devices_;
    FtdiStatus countStatus_ = kFtdiOk;
    std::vector<std::string> log_;
    std::uintptr_t nextToken_ = 1;
    int badHandleCalls_ = 0;
    int readsThatWouldWait_ = 0;
};

// Reads and writes run every 5 ms on the window's thread: they must not touch the heap. Every
// operator new in this test program is counted. The logging fakes allocate for their logs, so
// the link runs here over minimal services that do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "tests/support/counting_allocator.h"

namespace {

// Always has bytes waiting; counts what it hands over and takes.
class BusySerialPort final : public SerialPortService {
  public:
    std::uint32_t bytesRead = 0;
    std::uint32_t bytesWritten = 0;

    bool probePort(int) override { return true; }
    SerialPort openPort(int) override { return reinterpret_cast<SerialPort>(&bytesRead); }
    bool configurePort(SerialPort, std::uint32_t) override { return true; }
    void setReadsNonBlocking(SerialPort) override {}
    void purgePort(SerialPort) override {}
    std::uint32_t readPort(SerialPort, std::uint8_t* buffer, std::uint32_t capacity) override {
        std::fill(buffer, buffer + capacity, std::uint8_t{0x81});
        bytesRead += capacity;
        return capacity;
    }
    void writePort(SerialPort, const std::uint8_t*, std::uint32_t length) override {
        bytesWritten += length;
    }
    void closePort(SerialPort) override {}
};

class BusyAdapter final : public FtdiService {
  public:
    std::uint32_t bytesRead = 0;
    std::uint32_t bytesWritten = 0;

    FtdiStatus countDevices(std::uint32_t& count) override {
        count = 1;
        return kFtdiOk;
    }
    FtdiStatus openByIndex(std::int32_t, FtdiHandle& handle) override {
        handle = reinterpret_cast<FtdiHandle>(&bytesRead);
        return kFtdiOk;
    }
    FtdiStatus readDescription(FtdiHandle, char (&)[kFtdiDescriptionSize]) override {
        return kFtdiEepromNotProgrammed;
    }
    FtdiStatus setBaudRate(FtdiHandle, std::uint32_t) override { return kFtdiOk; }
    FtdiStatus setDataCharacteristics(FtdiHandle, std::uint8_t, std::uint8_t,
                                      std::uint8_t) override {
        return kFtdiOk;
    }
    FtdiStatus setFlowControl(FtdiHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return kFtdiOk;
    }
    FtdiStatus purge(FtdiHandle, std::uint32_t) override { return kFtdiOk; }
    FtdiStatus setLatencyTimer(FtdiHandle, std::uint8_t) override { return kFtdiOk; }
    FtdiStatus queueStatus(FtdiHandle, std::uint32_t& waiting) override {
        waiting = 250;
        return kFtdiOk;
    }
    FtdiStatus read(FtdiHandle, std::uint8_t* buffer, std::uint32_t length,
                    std::uint32_t& received) override {
        std::fill(buffer, buffer + length, std::uint8_t{0x82});
        bytesRead += length;
        received = length;
        return kFtdiOk;
    }
    FtdiStatus write(FtdiHandle, const std::uint8_t*, std::uint32_t length,
                     std::uint32_t& written) override {
        bytesWritten += length;
        written = length;
        return kFtdiOk;
    }
    FtdiStatus close(FtdiHandle) override { return kFtdiOk; }
};

TEST(DeviceLinkAllocation, ReadsAndWritesOfEitherKindAllocateNothing) {
    BusySerialPort serial;
    BusyAdapter adapter;
    installSerialPortService(&serial);
    installFtdiService(&adapter);
    connectionTable() = ConnectionTable{};
    deviceLinkState() = DeviceLinkState{};
    appendConnection(kSerialConnection, 0, "COMM - COM1");
    appendConnection(kUsbConnection, 0, "USB - Nicht programmiert");
    connectionTable().selectedConnection = 0;
    openSerialPort();
    connectionTable().selectedConnection = 1;
    openUsbDevice();
    std::uint8_t buffer[kDeviceLinkReadSize];
    const std::uint8_t frame[11] = {0x18, 0x80};

    const long before = heapAllocations();
    std::uint32_t delivered = 0;
    for (int cycle = 0; cycle < 200; ++cycle) {
        connectionTable().selectedConnection = static_cast<std::int16_t>(cycle % 2);
        delivered += readDeviceLink(buffer);
        writeDeviceLink(frame, sizeof frame);
    }
    const long after = heapAllocations();

    closeDeviceLink();
    installSerialPortService(nullptr);
    installFtdiService(nullptr);
    EXPECT_EQ(after - before, 0);
    EXPECT_EQ(delivered, 200u * kDeviceLinkReadSize);
    EXPECT_EQ(serial.bytesRead, 100u * kDeviceLinkReadSize);
    EXPECT_EQ(adapter.bytesRead, 100u * kDeviceLinkReadSize);
    EXPECT_EQ(serial.bytesWritten + adapter.bytesWritten, 200u * sizeof frame);
}

}  // namespace

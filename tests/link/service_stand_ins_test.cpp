// Until a platform installs its services, stand-ins find no port and no adapter and leave every
// output alone; a fake that goes away restores them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/ftdi_service.h"
#include "link/serial_port_service.h"
#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"

namespace {

TEST(SerialStandIn, FindsAndOpensNoPort) {
    SerialPortService& service = serialPortService();
    std::uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    for (int port = 1; port <= 8; ++port) {
        EXPECT_FALSE(service.probePort(port)) << "COM" << port;
        EXPECT_EQ(service.openPort(port), nullptr) << "COM" << port;
    }
    EXPECT_EQ(service.readPort(nullptr, buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], 9);
}

TEST(FtdiStandIn, CountsNoAdapterAndFailsEveryOtherCallLeavingOutputsAlone) {
    FtdiService& service = ftdiService();
    std::uint32_t count = 7;
    EXPECT_EQ(service.countDevices(count), kFtdiOk);
    EXPECT_EQ(count, 0u);

    FtdiStatus fakeAdapter = 0;
    const FtdiHandle earlier = reinterpret_cast<FtdiHandle>(&fakeAdapter);
    FtdiHandle handle = earlier;
    EXPECT_NE(service.openByIndex(0, handle), kFtdiOk);
    EXPECT_EQ(handle, earlier);

    char description[kFtdiDescriptionSize];
    std::memset(description, 'x', sizeof description);
    EXPECT_NE(service.readDescription(handle, description), kFtdiOk);
    EXPECT_EQ(description[0], 'x');

    std::uint32_t waiting = 5;
    std::uint32_t received = 6;
    std::uint32_t written = 7;
    std::uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_NE(service.queueStatus(handle, waiting), kFtdiOk);
    EXPECT_NE(service.read(handle, bytes, 4, received), kFtdiOk);
    EXPECT_NE(service.write(handle, bytes, 4, written), kFtdiOk);
    EXPECT_EQ(waiting, 5u);
    EXPECT_EQ(received, 6u);
    EXPECT_EQ(written, 7u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_NE(service.setBaudRate(handle, 38400), kFtdiOk);
    EXPECT_NE(service.purge(handle, 3), kFtdiOk);
    EXPECT_NE(service.close(handle), kFtdiOk);
}

TEST(ServiceInstallers, AFakeThatGoesAwayRestoresTheStandIns) {
    {
        FakeSerialPortService serial;
        FakeFtdiService ftdi;
        serial.addPort(1);
        ftdi.addDevice("XYZ");
        EXPECT_EQ(&serialPortService(), &serial);
        EXPECT_EQ(&ftdiService(), &ftdi);
    }
    EXPECT_FALSE(serialPortService().probePort(1));
    std::uint32_t count = 7;
    EXPECT_EQ(ftdiService().countDevices(count), kFtdiOk);
    EXPECT_EQ(count, 0u);
}

TEST(ServiceInstallers, OverTheStandInsTheLinkStaysClosed) {
    connectionTable() = ConnectionTable{};
    deviceLinkState() = DeviceLinkState{};
    appendConnection(kSerialConnection, 0, "COMM - COM1");
    appendConnection(kUsbConnection, 0, "USB - XYZ");
    std::uint8_t buffer[kDeviceLinkReadSize];
    const std::uint8_t frame[11] = {};
    for (std::int16_t row = 0; row < 2; ++row) {
        connectionTable().selectedConnection = row;
        openSerialPort();
        openUsbDevice();
        EXPECT_EQ(readDeviceLink(buffer), 0u);
        EXPECT_EQ(writeDeviceLink(frame, sizeof frame), 0);
    }
    EXPECT_EQ(deviceLinkState().serialHandle, nullptr);
    EXPECT_EQ(deviceLinkState().usbHandle, nullptr);
}

}  // namespace

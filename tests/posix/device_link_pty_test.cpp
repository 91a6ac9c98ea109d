// The device link over the termios service: a connection-table row for COM5, mapped by ZR8_COM5
// to a pty, opens at the chosen speed, carries the panel's bytes in and the frames out, and
// closes so that the port is free again; a busy port leaves the link closed.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <ostream>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/posix/serial_port_posix.h"
#include "tests/posix/posix_test_support.h"

namespace {

using posix_test::byteRun;
using posix_test::Bytes;

class PtyDeviceLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        environment.clearPortVariables();
        environment.set("ZR8_COM5", pty.path());
        installSerialPortService(&service);
        connectionTable() = ConnectionTable{};
        deviceLinkState() = DeviceLinkState{};
        ASSERT_EQ(appendConnection(kSerialConnection, 4, "COMM - COM5"), 1);
        connectionTable().selectedConnection = 0;
    }
    void TearDown() override {
        closeDeviceLink();
        installSerialPortService(nullptr);
        connectionTable() = ConnectionTable{};
    }

    Bytes readLink() {
        const std::uint32_t count = readDeviceLink(buffer);
        EXPECT_LE(count, kDeviceLinkReadSize);
        return Bytes(buffer, buffer + std::min(count, kDeviceLinkReadSize));
    }

    posix_test::Environment environment;
    posix_test::Pty pty;
    PosixSerialPortService service;
    std::uint8_t buffer[kDeviceLinkReadSize] = {};
};

struct SpeedCase {
    std::int16_t speedChoice;
    speed_t speed;
};

void PrintTo(const SpeedCase& tested, std::ostream* out) {
    *out << "speedChoice " << tested.speedChoice;
}

class PtyDeviceLinkSpeedTest : public PtyDeviceLinkTest,
                               public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(PtyDeviceLinkSpeedTest, OpensTheMappedPtyMovesBytesBothWaysAndClosesItFree) {
    // Sent before the link opened: the purge of the opening drops it.
    ASSERT_TRUE(pty.send({0x70, 0x81, 0x82}));
    ASSERT_TRUE(pty.waitForSlaveInput(3));
    connectionTable().speedChoice = GetParam().speedChoice;

    openSerialPort();
    ASSERT_NE(deviceLinkState().serialHandle, nullptr);
    termios line{};
    ASSERT_EQ(::tcgetattr(pty.peer(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), GetParam().speed);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(readLink().empty()) << "bytes from before the opening were not purged";

    // In: 250 bytes come as 100, 100 and 50.
    const Bytes sent = byteRun(250);
    ASSERT_TRUE(pty.send(sent));
    ASSERT_TRUE(pty.waitForSlaveInput(250));
    Bytes received;
    for (const std::size_t expected : {100u, 100u, 50u, 0u}) {
        const Bytes chunk = readLink();
        EXPECT_EQ(chunk.size(), expected);
        received.insert(received.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(received, sent);

    // Out: an output frame.
    const Bytes frame = {0x63, 0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x9C, 0xC3};
    EXPECT_EQ(writeDeviceLink(frame.data(), static_cast<std::uint32_t>(frame.size())), 1);
    EXPECT_EQ(pty.receive(frame.size()), frame);

    closeDeviceLink();
    EXPECT_EQ(deviceLinkState().serialHandle, nullptr);
    EXPECT_TRUE(service.probePort(5)) << "closing the link must free the port";
}

INSTANTIATE_TEST_SUITE_P(Speeds, PtyDeviceLinkSpeedTest,
                         ::testing::Values(SpeedCase{0, B9600}, SpeedCase{1, B38400},
                                           SpeedCase{7, B38400}));

TEST_F(PtyDeviceLinkTest, APortHeldByAnotherCopyLeavesTheLinkClosedAndSilent) {
    const int holder = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    ASSERT_TRUE(pty.send({0x70, 0x81}));

    openSerialPort();
    EXPECT_EQ(deviceLinkState().serialHandle, nullptr);
    EXPECT_TRUE(readLink().empty());
    const Bytes frame = byteRun(11);
    EXPECT_EQ(writeDeviceLink(frame.data(), static_cast<std::uint32_t>(frame.size())), 0);
    EXPECT_TRUE(pty.receive(1, std::chrono::milliseconds(50)).empty());
    ::close(holder);
}

TEST_F(PtyDeviceLinkTest, ThePanelGoingAwayLeavesReadsAtZeroWritesReturningAndTheLinkGone) {
    openSerialPort();
    ASSERT_NE(deviceLinkState().serialHandle, nullptr);
    EXPECT_TRUE(readLink().empty());
    EXPECT_FALSE(deviceLinkGone()) << "nothing arrived is not gone";
    pty.closeMaster();

    const Bytes frame = byteRun(11);
    for (int poll = 0; poll < 20; ++poll) {
        EXPECT_TRUE(readLink().empty());
        EXPECT_EQ(writeDeviceLink(frame.data(), static_cast<std::uint32_t>(frame.size())), 1);
    }
    EXPECT_TRUE(deviceLinkGone());
    closeDeviceLink();
    EXPECT_EQ(deviceLinkState().serialHandle, nullptr);
    EXPECT_FALSE(deviceLinkGone());
}

}  // namespace

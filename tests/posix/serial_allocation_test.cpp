// Reads and writes on a real pty run every 5 ms on the window's thread: through the device link
// and the termios service they must not touch the heap, whether bytes are waiting, nothing is,
// or the line is stalled. Every operator new of this test program is counted.
#include <gtest/gtest.h>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/posix/serial_port_posix.h"
#include "tests/posix/posix_test_support.h"
#include "tests/support/counting_allocator.h"

namespace {

using posix_test::Bytes;

TEST(PtySerialAllocation, ReadsAndWritesThroughTheLinkAllocateNothing) {
    posix_test::Pty pty;
    ASSERT_TRUE(pty.ok());
    posix_test::Environment environment;
    environment.clearPortVariables();
    environment.set("ZR8_COM5", pty.path());
    PosixSerialPortService service;
    installSerialPortService(&service);
    connectionTable() = ConnectionTable{};
    ASSERT_EQ(appendConnection(kSerialConnection, 4, "COMM - COM5"), 1);
    connectionTable().selectedConnection = 0;
    openSerialPort();
    ASSERT_NE(deviceLinkState().serialHandle, nullptr);

    const Bytes arriving = posix_test::byteRun(250);
    const Bytes frame = posix_test::byteRun(11, 0x60);
    const Bytes flood = posix_test::byteRun(256 * 1024);
    std::uint8_t buffer[kDeviceLinkReadSize];
    ASSERT_TRUE(pty.send(arriving));
    ASSERT_TRUE(pty.waitForSlaveInput(250));

    const long before = heapAllocations();
    std::uint32_t received = 0;
    for (int poll = 0; poll < 5; ++poll) {  // 100, 100, 50, then nothing waiting
        received += readDeviceLink(buffer);
        writeDeviceLink(frame.data(), static_cast<std::uint32_t>(frame.size()));
    }
    // Nobody reads the panel side: the line stalls and the writes give up.
    writeDeviceLink(flood.data(), static_cast<std::uint32_t>(flood.size()));
    writeDeviceLink(frame.data(), static_cast<std::uint32_t>(frame.size()));
    const long allocations = heapAllocations() - before;

    EXPECT_EQ(received, 250u);
    EXPECT_EQ(allocations, 0);
    closeDeviceLink();
    installSerialPortService(nullptr);
    connectionTable() = ConnectionTable{};
}

}  // namespace

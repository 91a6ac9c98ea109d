// The Windows serial-port service under Wine, on ptys of the panel simulator mapped as COM
// ports of the test's Wine prefix. Run by serial_pty_test.sh, which maps the simulator's pty as
// ZR8_PANEL_PORT and another pty as ZR8_SPARE_PORT.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/connection_window.h"
#include "app/shell.h"
#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/win32/serial_port_win32.h"
#include "tests/support/tool_fixture.h"
#include "ui/connection_window_ids.h"

namespace {

using Clock = std::chrono::steady_clock;

// The three frames the test window sends first, all outputs off.
const std::vector<std::vector<std::uint8_t>> kOffFrames = {
    {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x00, 0x00, 0x00, 0x00, 0x8E},
    {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFC},
    {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x00, 0x2D},
};
// The identity records of the simulator's scenario, as serial_pty_test.sh writes it.
const std::vector<std::uint8_t> kIdentityRecords = {0x70, 0x90, 0x83, 0x70, 0x92,
                                                    0x82, 0x70, 0xE3, 0x82};

int portFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : 0;
}

std::string label(int portNumber) {
    return "COMM - COM" + std::to_string(portNumber);
}

class SerialPtyTest : public ToolTest {
  protected:
    SerialPtyTest() {
        registerWindowClasses();
        installSerialPortService(&serial);
    }
    ~SerialPtyTest() override { installSerialPortService(nullptr); }

    void SetUp() override {
        ASSERT_NE(panelPort, 0) << "run through serial_pty_test.sh (ZR8_PANEL_PORT is not set)";
        ASSERT_NE(sparePort, 0) << "run through serial_pty_test.sh (ZR8_SPARE_PORT is not set)";
    }

    std::vector<std::string> scan() {
        WindowHandle window = screen.createDialog("CONNECTIONWINZR8", nullptr);
        shellState().currentWindow = window;
        scanHardware(window);
        return screen.control(window, kConnectionListId).rows;
    }

    static bool listed(const std::vector<std::string>& rows, int portNumber) {
        for (const std::string& row : rows) {
            if (row == label(portNumber)) {
                return true;
            }
        }
        return false;
    }

    const int panelPort = portFromEnvironment("ZR8_PANEL_PORT");
    const int sparePort = portFromEnvironment("ZR8_SPARE_PORT");
    Win32SerialPortService serial;
};

// Wine does not refuse a second open of a serial device with share mode 0 (seen with Wine 8:
// both opens succeed, in one process and across two), so a port held by another program cannot
// be staged here; the portable scan tests cover it over the fake service.
TEST_F(SerialPtyTest, ScanListsTheMappedPortsOnly) {
    const std::vector<std::string> rows = scan();
    EXPECT_TRUE(listed(rows, panelPort));
    EXPECT_TRUE(listed(rows, sparePort));
    EXPECT_FALSE(listed(rows, 6)) << "COM6 is mapped to nothing";
    EXPECT_FALSE(serial.probePort(9)) << "only COM1..COM8 are ports of this service";
    // The probe closed what it opened: the port opens again, once.
    const SerialPort port = serial.openPort(sparePort);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(serial.openPort(sparePort), nullptr) << "an open port was handed out twice";
    serial.closePort(port);
}

TEST_F(SerialPtyTest, LinkSendsFramesAndCollectsEveryByteThePanelAnswers) {
    appendConnection(kSerialConnection, static_cast<std::int16_t>(panelPort - 1),
                     label(panelPort).c_str());
    connectionTable().selectedConnection = 0;
    connectionTable().speedChoice = 1;
    openSerialPort();
    ASSERT_NE(deviceLinkState().serialHandle, nullptr) << "COM" << panelPort << " did not open";

    // Before the first frame the panel sends nothing: reads return at once, empty, and leave
    // no read behind that could swallow the answer into a buffer that is gone.
    for (int i = 0; i < 5; ++i) {
        std::uint8_t scratch[kDeviceLinkReadSize];
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(readDeviceLink(scratch), 0u);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(50));
    }
    for (const std::vector<std::uint8_t>& frame : kOffFrames) {
        const Clock::time_point start = Clock::now();
        EXPECT_EQ(writeDeviceLink(frame.data(), static_cast<std::uint32_t>(frame.size())), 1);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
    }

    // The simulator answers its first good frame with the identity records.
    std::vector<std::uint8_t> received;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (received.size() < kIdentityRecords.size() && Clock::now() < deadline) {
        std::uint8_t buffer[kDeviceLinkReadSize];
        const std::uint32_t count = readDeviceLink(buffer);
        ASSERT_LE(count, kDeviceLinkReadSize);
        received.insert(received.end(), buffer, buffer + count);
        Sleep(5);
    }
    closeDeviceLink();
    EXPECT_EQ(received, kIdentityRecords);
}

}  // namespace

// The device link over fake ports and adapters: how each kind is opened and configured, what
// happens when opening fails, how reads and writes pick their handle from the selected row,
// and that reads never hand the caller more than its 100-byte buffer holds.
#include "link/device_link.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "link/connection_table.h"
#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Log = std::vector<std::string>;

// count bytes that differ from their neighbours, so a lost or repeated stretch shows.
Bytes byteRun(std::size_t count, std::uint8_t first = 0) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i * 7);
    }
    return bytes;
}

const Bytes kFrame = {0x18, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a};

class DeviceLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        connectionTable() = ConnectionTable{};
        deviceLinkState() = DeviceLinkState{};
    }
    // The fakes' handles mean nothing once the fakes are gone.
    void TearDown() override { deviceLinkState() = DeviceLinkState{}; }

    // Appends a row and selects it.
    static void selectNewRow(std::int16_t kind, std::int16_t index) {
        ASSERT_EQ(appendConnection(kind, index, "row"), 1);
        select(connectionTable().connectionCount - 1);
    }
    static void select(int row) {
        connectionTable().selectedConnection = static_cast<std::int16_t>(row);
    }

    // One read through the link, as the bytes it delivered.
    Bytes readOnce() {
        const std::uint32_t count = readDeviceLink(buffer);
        EXPECT_LE(count, kDeviceLinkReadSize);
        return Bytes(buffer, buffer + std::min(count, kDeviceLinkReadSize));
    }

    FakeSerialPortService serial;
    FakeFtdiService ftdi;
    std::uint8_t buffer[kDeviceLinkReadSize] = {};
};

// --- Opening a COM port -------------------------------------------------------------------------

struct SerialOpenCase {
    const char* name;
    std::int16_t index;
    std::int16_t speedChoice;
    int portNumber;
    std::uint32_t baudRate;
};

void PrintTo(const SerialOpenCase& tested, std::ostream* out) {
    *out << tested.name;
}

class SerialOpenTest : public DeviceLinkTest,
                       public ::testing::WithParamInterface<SerialOpenCase> {};

TEST_P(SerialOpenTest, OpensThePortOfTheRowAtTheChosenSpeedThenMakesReadsNonBlockingThenPurges) {
    const SerialOpenCase& c = GetParam();
    serial.addPort(c.portNumber);
    selectNewRow(kSerialConnection, c.index);
    connectionTable().speedChoice = c.speedChoice;

    openSerialPort();

    const std::string com = "COM" + std::to_string(c.portNumber);
    EXPECT_EQ(serial.log(), (Log{"open(" + com + ")",
                                 "configure(" + com + ", " + std::to_string(c.baudRate) + ")",
                                 "nonBlockingReads(" + com + ")", "purge(" + com + ")"}));
    EXPECT_NE(deviceLinkState().serialHandle, nullptr);
    EXPECT_TRUE(serial.isOpen(c.portNumber));
    EXPECT_EQ(deviceLinkState().usbHandle, nullptr);
    EXPECT_TRUE(ftdi.log().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SerialOpenTest,
    ::testing::Values(SerialOpenCase{"Index7Speed0IsCom8At9600", 7, 0, 8, 9600},
                      SerialOpenCase{"Index7Speed1IsCom8At38400", 7, 1, 8, 38400},
                      SerialOpenCase{"AnyNonZeroSpeedIs38400", 7, -1, 8, 38400},
                      SerialOpenCase{"Index0IsCom1", 0, 0, 1, 9600},
                      SerialOpenCase{"Index2IsCom3", 2, 200, 3, 38400}),
    [](const ::testing::TestParamInfo<SerialOpenCase>& tested) { return tested.param.name; });

struct SerialOpenFailureCase {
    const char* name;
    void (*arrange)(FakeSerialPortService&);
    Log expectedLog;
};

void PrintTo(const SerialOpenFailureCase& tested, std::ostream* out) {
    *out << tested.name;
}

class SerialOpenFailureTest : public DeviceLinkTest,
                              public ::testing::WithParamInterface<SerialOpenFailureCase> {};

TEST_P(SerialOpenFailureTest, LeavesNoPortOpenAndTheLinkSilent) {
    GetParam().arrange(serial);
    selectNewRow(kSerialConnection, 2);

    openSerialPort();

    EXPECT_EQ(serial.log(), GetParam().expectedLog);
    EXPECT_EQ(deviceLinkState().serialHandle, nullptr);
    EXPECT_EQ(serial.openPortCount(), 0);

    serial.queue(3, {1, 2, 3});
    serial.clearLog();
    EXPECT_EQ(readDeviceLink(buffer), 0u);
    EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 0);
    EXPECT_TRUE(serial.log().empty()) << "no call may reach the port once opening failed";
    EXPECT_TRUE(serial.writes(3).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ports, SerialOpenFailureTest,
    ::testing::Values(
        SerialOpenFailureCase{"Missing", [](FakeSerialPortService&) {}, {"open(COM3)"}},
        SerialOpenFailureCase{"HeldByAnotherProgram",
                              [](FakeSerialPortService& s) { s.holdPort(3); },
                              {"open(COM3)"}},
        SerialOpenFailureCase{"ConfigurationFails",
                              [](FakeSerialPortService& s) {
                                  s.addPort(3);
                                  s.failConfiguration(3);
                              },
                              {"open(COM3)", "configure(COM3, 9600)", "close(COM3)"}}),
    [](const ::testing::TestParamInfo<SerialOpenFailureCase>& tested) {
        return tested.param.name;
    });

TEST_F(DeviceLinkTest, OpeningTheComPortOfARowThatIsNotSerialTouchesNothing) {
    serial.addPort(1);
    selectNewRow(kSerialConnection, 0);
    openSerialPort();
    const SerialPort open = deviceLinkState().serialHandle;
    ASSERT_NE(open, nullptr);

    for (const std::int16_t kind : {kUsbConnection, std::int16_t{2}}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        selectNewRow(kind, 0);
        serial.clearLog();
        openSerialPort();
        EXPECT_TRUE(serial.log().empty());
        EXPECT_EQ(deviceLinkState().serialHandle, open);
    }
}

// --- Opening a USB adapter ----------------------------------------------------------------------

TEST_F(DeviceLinkTest, OpensTheAdapterOfTheRowAt38400EightNOneWithoutFlowControlAndPurgesBoth) {
    ftdi.addDevice("first");
    ftdi.addDevice("second");
    selectNewRow(kUsbConnection, 1);

    for (const std::int16_t speedChoice : {0, 1, -1}) {
        SCOPED_TRACE("speedChoice " + std::to_string(speedChoice));
        connectionTable().speedChoice = speedChoice;
        ftdi.clearLog();

        openUsbDevice();

        EXPECT_EQ(
            ftdi.log(),
            (Log{"open(1)", "setBaudRate(USB1, 38400)", "setDataCharacteristics(USB1, 8, 0, 0)",
                 "setFlowControl(USB1, 0, 0, 0)", "setLatencyTimer(USB1, 1)", "purge(USB1, 3)"}));
        EXPECT_NE(deviceLinkState().usbHandle, nullptr);
        EXPECT_TRUE(ftdi.isOpen(1));
        EXPECT_FALSE(ftdi.isOpen(0));
        closeDeviceLink();
    }
    EXPECT_TRUE(serial.log().empty());
}

TEST_F(DeviceLinkTest, AnAdapterThatRefusesItsSettingsStaysOpenAndServesReads) {
    ftdi.addDevice("stubborn");
    ftdi.failConfiguration(0);
    selectNewRow(kUsbConnection, 0);

    openUsbDevice();

    EXPECT_EQ(ftdi.log().size(), 6u) << "every setting is still tried";
    ASSERT_NE(deviceLinkState().usbHandle, nullptr);
    EXPECT_TRUE(ftdi.isOpen(0));
    ftdi.queue(0, {0x70, 0x81});
    EXPECT_EQ(readOnce(), (Bytes{0x70, 0x81}));
}

struct UsbOpenFailureCase {
    const char* name;
    std::int16_t kind;
    std::int16_t index;
    Log expectedLog;
};

void PrintTo(const UsbOpenFailureCase& tested, std::ostream* out) {
    *out << tested.name;
}

class UsbOpenFailureTest : public DeviceLinkTest,
                           public ::testing::WithParamInterface<UsbOpenFailureCase> {};

// A handle from an earlier open must never survive a failed one.
TEST_P(UsbOpenFailureTest, LeavesUsbHandleNullEvenWhenItHeldAnAdapter) {
    ftdi.addDevice("good");
    ftdi.addDeviceFailingOpen();
    selectNewRow(kUsbConnection, 0);
    openUsbDevice();
    ASSERT_NE(deviceLinkState().usbHandle, nullptr);

    selectNewRow(GetParam().kind, GetParam().index);
    ftdi.clearLog();
    openUsbDevice();

    EXPECT_EQ(ftdi.log(), GetParam().expectedLog);
    EXPECT_EQ(deviceLinkState().usbHandle, nullptr);
    EXPECT_FALSE(ftdi.isOpen(1));
    if (GetParam().kind == kUsbConnection) {
        ftdi.clearLog();
        EXPECT_EQ(readDeviceLink(buffer), 0u);
        EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 0);
        EXPECT_TRUE(ftdi.log().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsbOpenFailureTest,
    ::testing::Values(UsbOpenFailureCase{"AdapterFailsToOpen", kUsbConnection, 1, {"open(1)"}},
                      UsbOpenFailureCase{"NoAdapterAtThatIndex", kUsbConnection, 5, {"open(5)"}},
                      UsbOpenFailureCase{"SerialRow", kSerialConnection, 0, {}}),
    [](const ::testing::TestParamInfo<UsbOpenFailureCase>& tested) { return tested.param.name; });

// --- Reading and writing an open link, either kind ---------------------------------------------

class OpenLinkTest : public DeviceLinkTest, public ::testing::WithParamInterface<std::int16_t> {
  protected:
    bool usb() const { return GetParam() == kUsbConnection; }

    void SetUp() override {
        DeviceLinkTest::SetUp();
        if (usb()) {
            ftdi.addDevice("XYZ");
            selectNewRow(kUsbConnection, 0);
            openUsbDevice();
            ASSERT_NE(deviceLinkState().usbHandle, nullptr);
        } else {
            serial.addPort(1);
            selectNewRow(kSerialConnection, 0);
            openSerialPort();
            ASSERT_NE(deviceLinkState().serialHandle, nullptr);
        }
        serial.clearLog();
        ftdi.clearLog();
    }

    void arrive(const Bytes& bytes) { usb() ? ftdi.queue(0, bytes) : serial.queue(1, bytes); }
    void failReads() { usb() ? ftdi.failReads(0) : serial.failReads(1); }
    void overstateReads(std::uint32_t extra) {
        usb() ? ftdi.overstateReads(0, extra) : serial.overstateReads(1, extra);
    }
    std::vector<Bytes> written() const { return usb() ? ftdi.writes(0) : serial.writes(1); }
    const Log& linkLog() const { return usb() ? ftdi.log() : serial.log(); }
    const Log& otherLog() const { return usb() ? serial.log() : ftdi.log(); }
};

TEST_P(OpenLinkTest, ReadsHandOverWhatArrivedInOrderAtMost100AtATime) {
    const Bytes sent = byteRun(250);
    arrive(sent);

    Bytes received;
    std::vector<std::size_t> sizes;
    for (int call = 0; call < 4; ++call) {
        const Bytes chunk = readOnce();
        sizes.push_back(chunk.size());
        received.insert(received.end(), chunk.begin(), chunk.end());
    }

    EXPECT_EQ(sizes, (std::vector<std::size_t>{100, 100, 50, 0}));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(ftdi.readsThatWouldWait(), 0);
    EXPECT_TRUE(otherLog().empty());
}

TEST_P(OpenLinkTest, AReadWithNothingArrivedReturnsZero) {
    EXPECT_EQ(readDeviceLink(buffer), 0u);
    EXPECT_EQ(ftdi.readsThatWouldWait(), 0);
}

TEST_P(OpenLinkTest, AFailedReadReturnsZero) {
    arrive(byteRun(10));
    failReads();
    EXPECT_EQ(readDeviceLink(buffer), 0u);
}

// A service that claims more bytes than it was asked for must not lead the caller beyond its
// 100-byte buffer.
TEST_P(OpenLinkTest, AnOverstatedCountNeverExceedsTheBuffer) {
    const Bytes sent = byteRun(150);
    arrive(sent);
    overstateReads(1000);

    EXPECT_EQ(readOnce(), Bytes(sent.begin(), sent.begin() + 100));
}

TEST_P(OpenLinkTest, AWriteHandsTheBytesOverAndReturns1) {
    EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 1);
    EXPECT_EQ(written(), (std::vector<Bytes>{kFrame}));
    EXPECT_TRUE(otherLog().empty());
}

TEST_P(OpenLinkTest, ClosingClosesOnceAndSilencesTheLink) {
    closeDeviceLink();

    EXPECT_EQ(linkLog(), (Log{usb() ? "close(USB0)" : "close(COM1)"}));
    EXPECT_EQ(deviceLinkState().usbHandle, nullptr);
    EXPECT_EQ(deviceLinkState().serialHandle, nullptr);
    EXPECT_EQ(ftdi.openDeviceCount() + serial.openPortCount(), 0);

    arrive(byteRun(5));
    EXPECT_EQ(readDeviceLink(buffer), 0u);
    EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 0);
    closeDeviceLink();
    EXPECT_EQ(linkLog().size(), 1u) << "nothing after the close may reach the service";
    EXPECT_EQ(ftdi.badHandleCalls() + serial.badHandleCalls(), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OpenLinkTest, ::testing::Values(kSerialConnection, kUsbConnection),
                         [](const ::testing::TestParamInfo<std::int16_t>& tested) {
                             return tested.param == kUsbConnection ? "Usb" : "Serial";
                         });

// --- USB only
// -------------------------------------------------------------------------------------

class OpenUsbTest : public DeviceLinkTest {
  protected:
    void SetUp() override {
        DeviceLinkTest::SetUp();
        ftdi.addDevice("XYZ");
        selectNewRow(kUsbConnection, 0);
        openUsbDevice();
        ASSERT_NE(deviceLinkState().usbHandle, nullptr);
        ftdi.clearLog();
    }
};

// The adapter's read waits until it has all it was asked for, so the link asks for no more
// than is waiting, and asks nothing when nothing is.
TEST_F(OpenUsbTest, ReadsAskForNoMoreThanIsWaiting) {
    ftdi.queue(0, byteRun(250));
    for (int call = 0; call < 4; ++call) {
        readDeviceLink(buffer);
    }
    EXPECT_EQ(ftdi.logOf("read"), (Log{"read(USB0, 100)", "read(USB0, 100)", "read(USB0, 50)"}));
    EXPECT_EQ(ftdi.logOf("queueStatus").size(), 4u);
    EXPECT_EQ(ftdi.readsThatWouldWait(), 0);
}

TEST_F(OpenUsbTest, AnOverstatedCountIsCutToWhatWasAskedFor) {
    ftdi.queue(0, {1, 2, 3});
    ftdi.overstateReads(0, 50);
    EXPECT_EQ(readOnce(), (Bytes{1, 2, 3}));
}

TEST_F(OpenUsbTest, AFailedQueueStatusReadsNothing) {
    ftdi.queue(0, byteRun(20));
    ftdi.failQueueStatus(0);
    EXPECT_EQ(readDeviceLink(buffer), 0u);
    EXPECT_TRUE(ftdi.logOf("read").empty());
    EXPECT_EQ(ftdi.waiting(0), 20u);
}

TEST_F(OpenUsbTest, AFailedWriteStillReturns1) {
    ftdi.failWrites(0);
    EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 1);
    EXPECT_EQ(ftdi.log(), (Log{"write(USB0, 11)"}));
}

// --- Which handle, and nothing open ---------------------------------------------------------

// Rows: 0 COM1, 1 adapter 0, 2 an unknown kind (handled as serial).
TEST_F(DeviceLinkTest, EachReadAndWriteUsesTheHandleOfTheSelectedRowsKind) {
    serial.addPort(1);
    ftdi.addDevice("XYZ");
    selectNewRow(kSerialConnection, 0);
    openSerialPort();
    selectNewRow(kUsbConnection, 0);
    serial.clearLog();

    // Only the COM port is open: the USB row finds no handle.
    serial.queue(1, {0x11, 0x12, 0x13});
    EXPECT_EQ(readDeviceLink(buffer), 0u);
    EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 0);
    EXPECT_TRUE(serial.log().empty());

    openUsbDevice();
    ASSERT_NE(deviceLinkState().usbHandle, nullptr);
    ASSERT_NE(deviceLinkState().serialHandle, nullptr);
    selectNewRow(2, 0);
    ftdi.queue(0, {0x21, 0x22});

    struct Step {
        int row;
        Bytes expectedRead;
    };
    for (const Step& step : {Step{1, {0x21, 0x22}}, Step{0, {0x11, 0x12, 0x13}}, Step{2, {}}}) {
        SCOPED_TRACE("row " + std::to_string(step.row));
        select(step.row);
        EXPECT_EQ(readOnce(), step.expectedRead);
        EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 1);
    }
    EXPECT_EQ(ftdi.writes(0).size(), 1u);
    EXPECT_EQ(serial.writes(1).size(), 2u);
}

TEST_F(DeviceLinkTest, WithNothingOpenReadsAndWritesReturn0AndCloseMakesNoCall) {
    serial.addPort(1);
    ftdi.addDevice("XYZ");
    appendConnection(kSerialConnection, 0, "COMM - COM1");
    appendConnection(kUsbConnection, 0, "USB - XYZ");
    serial.queue(1, {1, 2});
    ftdi.queue(0, {3, 4});

    for (const int row : {0, 1}) {
        SCOPED_TRACE("row " + std::to_string(row));
        select(row);
        EXPECT_EQ(readDeviceLink(buffer), 0u);
        EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 0);
        closeDeviceLink();
    }
    EXPECT_TRUE(serial.log().empty());
    EXPECT_TRUE(ftdi.log().empty());
}

// No valid row selected: nothing is opened, read or written, and nothing outside the table is
// looked at. Closing does not depend on the selection.
TEST_F(DeviceLinkTest, AnInvalidSelectionDoesNothingButCloseStillCloses) {
    serial.addPort(1);
    ftdi.addDevice("XYZ");
    selectNewRow(kSerialConnection, 0);
    openSerialPort();
    selectNewRow(kUsbConnection, 0);
    openUsbDevice();
    const DeviceLinkState opened = deviceLinkState();
    ASSERT_NE(opened.serialHandle, nullptr);
    ASSERT_NE(opened.usbHandle, nullptr);
    serial.queue(1, {1});
    ftdi.queue(0, {2});
    serial.clearLog();
    ftdi.clearLog();

    for (const int selection :
         {-1, 2, kConnectionTableSize - 1, kConnectionTableSize, -32768, 32767}) {
        SCOPED_TRACE("selectedConnection " + std::to_string(selection));
        select(selection);
        openSerialPort();
        openUsbDevice();
        EXPECT_EQ(readDeviceLink(buffer), 0u);
        EXPECT_EQ(writeDeviceLink(kFrame.data(), 11), 0);
        EXPECT_EQ(deviceLinkState().serialHandle, opened.serialHandle);
        EXPECT_EQ(deviceLinkState().usbHandle, opened.usbHandle);
    }
    EXPECT_TRUE(serial.log().empty());
    EXPECT_TRUE(ftdi.log().empty());

    closeDeviceLink();
    EXPECT_EQ(ftdi.log(), (Log{"close(USB0)"}));
    EXPECT_EQ(serial.log(), (Log{"close(COM1)"}));
}

}  // namespace

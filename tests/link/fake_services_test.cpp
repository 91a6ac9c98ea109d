// The fakes behave as the scan and the link expect of real ports and adapters: the scan's
// probe, programmed and blank EEPROMs, the statuses of failing calls, and handles that go bad.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"

namespace {

using Log = std::vector<std::string>;

TEST(FakeSerialPortService, ProbeFindsOnlyPresentFreePortsAndLeavesThemClosed) {
    FakeSerialPortService serial;
    serial.addPort(1);
    serial.holdPort(2);
    serial.addPort(4);
    ASSERT_NE(serialPortService().openPort(4), nullptr);

    std::vector<bool> found;
    for (int port = 1; port <= 4; ++port) {
        found.push_back(serialPortService().probePort(port));
    }

    EXPECT_EQ(found, (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(serial.openPortCount(), 1) << "only the port opened before";
    serial.releasePort(2);
    EXPECT_TRUE(serialPortService().probePort(2));
}

TEST(FakeSerialPortService, AHandleUsedAfterItsCloseIsBad) {
    FakeSerialPortService serial;
    serial.addPort(3);
    const SerialPort port = serialPortService().openPort(3);
    serialPortService().closePort(port);
    std::uint8_t buffer[4];

    EXPECT_EQ(serialPortService().readPort(port, buffer, sizeof buffer), 0u);

    EXPECT_EQ(serial.log(), (Log{"open(COM3)", "close(COM3)", "read(<bad handle>, 4)"}));
    EXPECT_EQ(serial.badHandleCalls(), 1);
    EXPECT_NE(serialPortService().openPort(3), port) << "each open hands out a new handle";
}

struct DescriptionCase {
    const char* name;
    std::string programmed;
    std::string expected;  // all 64 bytes of the field
};

void PrintTo(const DescriptionCase& tested, std::ostream* out) {
    *out << tested.name;
}

class FakeFtdiDescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(FakeFtdiDescriptionTest, FillsThe64ByteFieldAsProgrammed) {
    FakeFtdiService ftdi;
    ftdi.addDevice(GetParam().programmed);
    FtdiHandle handle = nullptr;
    ASSERT_EQ(ftdiService().openByIndex(0, handle), kFtdiOk);
    char description[kFtdiDescriptionSize];
    std::memset(description, '?', sizeof description);

    EXPECT_EQ(ftdiService().readDescription(handle, description), kFtdiOk);

    EXPECT_EQ(std::string(description, sizeof description), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, FakeFtdiDescriptionTest,
    ::testing::Values(DescriptionCase{"Short", "XYZ", "XYZ" + std::string(61, '\0')},
                      DescriptionCase{"Empty", "", std::string(64, '\0')},
                      DescriptionCase{"FullWithoutNul", std::string(64, 'A'), std::string(64, 'A')},
                      DescriptionCase{"LongerIsCut", std::string(60, 'B') + "CDEFGH",
                                      std::string(60, 'B') + "CDEF"}),
    [](const ::testing::TestParamInfo<DescriptionCase>& tested) { return tested.param.name; });

// The scan's walk over the adapters: count, then open, read the description and close each.
TEST(FakeFtdiService, AnswersTheScanWithTheStatusOfEachAdapter) {
    FakeFtdiService ftdi;
    ftdi.addDevice("XYZ");
    ftdi.addUnprogrammedDevice();
    ftdi.addDeviceFailingEepromRead();
    ftdi.addDeviceFailingEepromRead(kFtdiEepromNotPresent);
    ftdi.addDeviceFailingOpen();

    std::uint32_t count = 0;
    ASSERT_EQ(ftdiService().countDevices(count), kFtdiOk);
    ASSERT_EQ(count, 5u);
    std::vector<FtdiStatus> statuses;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        FtdiHandle handle = nullptr;
        const FtdiStatus opened = ftdiService().openByIndex(i, handle);
        if (opened != kFtdiOk) {
            EXPECT_EQ(handle, nullptr) << "a failed open leaves the handle alone";
            statuses.push_back(opened);
            continue;
        }
        char description[kFtdiDescriptionSize];
        statuses.push_back(ftdiService().readDescription(handle, description));
        ftdiService().close(handle);
    }

    EXPECT_EQ(statuses,
              (std::vector<FtdiStatus>{kFtdiOk, kFtdiEepromNotProgrammed, kFtdiEepromReadFailed,
                                       kFtdiEepromNotPresent, kFtdiDeviceNotOpened}));
    EXPECT_EQ(ftdi.logOf("open").size(), 5u);
    EXPECT_EQ(ftdi.logOf("close"),
              (Log{"close(USB0)", "close(USB1)", "close(USB2)", "close(USB3)"}));
    EXPECT_EQ(ftdi.openDeviceCount(), 0);
}

TEST(FakeFtdiService, AFailingCountLeavesTheCountAlone) {
    FakeFtdiService ftdi;
    ftdi.addDevice("XYZ");
    ftdi.failCount(kFtdiOtherError);
    std::uint32_t count = 0;
    EXPECT_EQ(ftdiService().countDevices(count), kFtdiOtherError);
    EXPECT_EQ(count, 0u);
}

TEST(FakeFtdiService, AnAdapterOpensOnceAndRemovingOneMovesTheLaterOnesDown) {
    FakeFtdiService ftdi;
    ftdi.addDevice("first");
    ftdi.addDevice("second");
    FtdiHandle handle = nullptr;
    FtdiHandle again = nullptr;
    ASSERT_EQ(ftdiService().openByIndex(1, handle), kFtdiOk);
    EXPECT_EQ(ftdiService().openByIndex(1, again), kFtdiDeviceNotOpened);
    EXPECT_EQ(again, nullptr);

    ftdi.removeDevice(0);
    char description[kFtdiDescriptionSize];
    ASSERT_EQ(ftdiService().readDescription(handle, description), kFtdiOk);
    EXPECT_STREQ(description, "second");
    EXPECT_EQ(ftdi.log().back(), "readDescription(USB0)");
    EXPECT_EQ(ftdiService().openByIndex(1, again), kFtdiDeviceNotFound);
}

}  // namespace

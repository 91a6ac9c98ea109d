// The monitor losing its adapter and finding it again over the fake FTDI service: by its USB
// serial number, never by the device index another adapter has moved into; with no serial
// number (or one that another adapter shares) by its description and place.
#include "monitor/program/link_keeper.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "tests/support/fake_ftdi_service.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Adapter {
    std::string serialNumber;
    std::string place;
};

struct Case {
    const char* what;
    Adapter chosen;
    Adapter other;
    std::string placeBack;  // where the chosen adapter comes back
    bool restored;          // whether it is recognised there
};

// GoogleTest names a case by its text (rather than printing its bytes, padding included).
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.what;
}

class LinkKeeperTest : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        closeDeviceLink();
        connectionTable() = ConnectionTable{};
    }
    void TearDown() override {
        closeDeviceLink();
        connectionTable() = ConnectionTable{};
    }

    Bytes readLink() {
        std::uint8_t buffer[kDeviceLinkReadSize];
        const std::uint32_t count = readDeviceLink(buffer);
        return Bytes(buffer, buffer + count);
    }

    FakeFtdiService ftdi;
};

TEST_P(LinkKeeperTest, TheChosenAdapterIsReopenedWhereverItComesBackAndTheOtherNever) {
    const Case& c = GetParam();
    ftdi.setIdentity(ftdi.addDevice("ZR8 Mainboard"), c.chosen.serialNumber, c.chosen.place);
    ftdi.setIdentity(ftdi.addDevice("ZR8 Mainboard"), c.other.serialNumber, c.other.place);
    ASSERT_EQ(appendConnection(kUsbConnection, 0, "USB - ZR8 Mainboard"), 1);
    connectionTable().selectedConnection = 0;
    openSelectedConnection();
    ASSERT_TRUE(ftdi.isOpen(0));

    LinkKeeper keeper;
    ASSERT_TRUE(keeper.remember());
    ftdi.queue(0, {0x70, 0x90});
    EXPECT_EQ(readLink(), (Bytes{0x70, 0x90}));
    EXPECT_EQ(keeper.afterRead(2, 0.1), LinkKeeper::Change::None);
    EXPECT_EQ(keeper.afterRead(0, 0.2), LinkKeeper::Change::None) << "quiet is not gone";

    // Unplugged: the other adapter moves down to index 0.
    ftdi.removeDevice(0);
    EXPECT_TRUE(readLink().empty());
    EXPECT_EQ(keeper.afterRead(0, 1.0), LinkKeeper::Change::Lost);
    EXPECT_TRUE(keeper.lost());
    ftdi.clearLog();
    EXPECT_EQ(keeper.afterRead(0, 1.2), LinkKeeper::Change::None) << "tried before 500 ms";
    EXPECT_TRUE(ftdi.log().empty());
    for (const double seconds : {1.5, 2.0, 2.5}) {
        EXPECT_EQ(keeper.afterRead(0, seconds), LinkKeeper::Change::None);
        EXPECT_FALSE(ftdi.isOpen(0)) << "the other adapter is left closed";
    }
    EXPECT_FALSE(ftdi.log().empty()) << "the adapters are looked at while the link is lost";

    // Back at index 1, maybe at another place.
    ftdi.setIdentity(ftdi.addDevice("ZR8 Mainboard"), c.chosen.serialNumber, c.placeBack);
    EXPECT_EQ(keeper.afterRead(0, 3.0),
              c.restored ? LinkKeeper::Change::Restored : LinkKeeper::Change::None);
    EXPECT_FALSE(ftdi.isOpen(0));
    EXPECT_TRUE(ftdi.logOf("setBaudRate(USB0").empty()) << "the other adapter was taken";
    EXPECT_EQ(ftdi.isOpen(1), c.restored);
    if (c.restored) {
        EXPECT_FALSE(keeper.lost());
        EXPECT_EQ(connectionTable().rows[0].index, 1) << "the row follows the adapter";
        EXPECT_EQ(ftdi.logOf("setBaudRate(USB1, 38400)").size(), 1u);
        ftdi.queue(1, {0x12, 0x81});
        EXPECT_EQ(readLink(), (Bytes{0x12, 0x81}));
    }
}

// A library that tells no identity: the loss is still reported, and nothing is looked for.
class FtdiWithoutIdentity : public FakeFtdiService {
  public:
    FtdiStatus readIdentity(FtdiHandle, FtdiIdentity& identity) override {
        identity = FtdiIdentity{};
        return kFtdiNotSupported;
    }
};

TEST(LinkKeeperWithoutIdentity, ReportsTheLossAndLooksForNothing) {
    closeDeviceLink();
    connectionTable() = ConnectionTable{};
    FtdiWithoutIdentity ftdi;
    ftdi.addDevice("ZR8 Mainboard");
    ASSERT_EQ(appendConnection(kUsbConnection, 0, "USB - ZR8 Mainboard"), 1);
    connectionTable().selectedConnection = 0;
    openSelectedConnection();
    ASSERT_TRUE(ftdi.isOpen(0));

    LinkKeeper keeper;
    EXPECT_FALSE(keeper.remember());
    ftdi.removeDevice(0);
    std::uint8_t buffer[kDeviceLinkReadSize];
    EXPECT_EQ(readDeviceLink(buffer), 0u);
    EXPECT_EQ(keeper.afterRead(0, 1.0), LinkKeeper::Change::Lost);
    EXPECT_TRUE(keeper.lost());
    ftdi.addDevice("ZR8 Mainboard");
    ftdi.clearLog();
    for (const double seconds : {1.5, 2.0, 5.0}) {
        EXPECT_EQ(keeper.afterRead(0, seconds), LinkKeeper::Change::None);
    }
    EXPECT_TRUE(ftdi.log().empty()) << "an adapter it cannot recognise was looked at";
    EXPECT_FALSE(ftdi.isOpen(0));
    closeDeviceLink();
    connectionTable() = ConnectionTable{};
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, LinkKeeperTest,
    ::testing::Values(
        Case{"serial number, back at another place", {"A1", "1-1"}, {"B2", "1-2"}, "1-4", true},
        Case{"no serial number, back at its place", {"", "1-1"}, {"", "1-2"}, "1-1", true},
        Case{"no serial number, back elsewhere: not told", {"", "1-1"}, {"", "1-2"}, "1-4", false},
        Case{"a serial number both share, back at its place",
             {"1", "1-1"},
             {"1", "1-2"},
             "1-1",
             true},
        Case{"a serial number both share, back elsewhere",
             {"1", "1-1"},
             {"1", "1-2"},
             "1-4",
             false}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name;
        for (const char* c = param.param.what; *c != '\0'; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    });

}  // namespace

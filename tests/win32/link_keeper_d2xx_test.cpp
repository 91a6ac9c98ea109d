// The monitor losing its adapter and finding it again over the real FTD2XX.dll service and the
// test FTD2XX.dll: by its USB serial number, or with none (or one another adapter shares) by its
// LocId; never the adapter that moved into its device index, which is only opened to be asked
// what it is and closed again. As tests/monitor/link_keeper_test.cpp over the fake service.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/win32/ftd2xx_service.h"
#include "monitor/program/link_keeper.h"
#include "tests/win32/fake_ftd2xx_control.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Adapter {
    std::string serialNumber;
    std::string locId;  // hex
};

struct Case {
    const char* what;
    const char* library;
    Adapter chosen;
    Adapter other;
    std::string locIdBack;  // where the chosen adapter comes back
    bool restored;          // whether it is recognised there
};

// The test library's item for an adapter; queue=2 gives each opened adapter bytes 00 01.
std::string item(const Adapter& adapter) {
    std::string text = "ZR8 Mainboard";
    if (!adapter.serialNumber.empty()) {
        text += "|sn=" + adapter.serialNumber;
    }
    return text + "|loc=" + adapter.locId;
}

// Every time the adapter at index was opened, it was closed by the next call.
bool onlyLookedAt(const std::vector<std::string>& calls, int index) {
    const std::string open = "open " + std::to_string(index);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] == open &&
            (i + 1 == calls.size() || calls[i + 1] != "close " + std::to_string(index))) {
            return false;
        }
    }
    return true;
}

// GoogleTest names a case by its text (rather than printing its bytes, padding included).
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.what;
}

class D2xxLinkKeeperTest : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        closeDeviceLink();
        connectionTable() = ConnectionTable{};
    }
    void TearDown() override {
        closeDeviceLink();
        connectionTable() = ConnectionTable{};
        installFtdiService(nullptr);
    }

    // Installed until the link it carries is closed in TearDown.
    Ftd2xxService& useLibrary(const char* name) {
        service_ = std::make_unique<Ftd2xxService>(name);
        installFtdiService(service_.get());
        return *service_;
    }

    Bytes readLink() {
        std::uint8_t buffer[kDeviceLinkReadSize];
        const std::uint32_t count = readDeviceLink(buffer);
        return Bytes(buffer, buffer + count);
    }

    FakeFtd2xxControl library;

  private:
    std::unique_ptr<Ftd2xxService> service_;
};

TEST_P(D2xxLinkKeeperTest, TheChosenAdapterIsReopenedWhereverItComesBackAndTheOtherNever) {
    const Case& c = GetParam();
    Ftd2xxService& service = useLibrary(c.library);
    const std::string other = item(c.other);
    library.attach(item(c.chosen) + ";" + other + ";queue=2");
    ASSERT_TRUE(service.available());
    ASSERT_EQ(appendConnection(kUsbConnection, 0, "USB - ZR8 Mainboard"), 1);
    connectionTable().selectedConnection = 0;
    openSelectedConnection();
    ASSERT_NE(deviceLinkState().usbHandle, nullptr);

    LinkKeeper keeper;
    ASSERT_TRUE(keeper.remember());
    EXPECT_EQ(readLink(), (Bytes{0x00, 0x01}));
    EXPECT_EQ(keeper.afterRead(2, 0.1), LinkKeeper::Change::None);

    // Unplugged: the other adapter moves down to index 0.
    library.clearCalls();
    library.attach(other + ";queue=2");
    EXPECT_TRUE(readLink().empty());
    EXPECT_EQ(keeper.afterRead(0, 1.0), LinkKeeper::Change::Lost);
    EXPECT_EQ(library.calls(), (std::vector<std::string>{"close unplugged"}))
        << "the dead handle is closed";
    EXPECT_EQ(keeper.afterRead(0, 1.2), LinkKeeper::Change::None) << "tried before 500 ms";
    EXPECT_EQ(library.calls().size(), 1u);
    for (const double seconds : {1.5, 2.0, 2.5}) {
        EXPECT_EQ(keeper.afterRead(0, seconds), LinkKeeper::Change::None);
    }
    std::vector<std::string> calls = library.calls();
    EXPECT_GE(std::count(calls.begin(), calls.end(), "open 0"), 3)
        << "the adapters are looked at while the link is lost";
    EXPECT_TRUE(onlyLookedAt(calls, 0));
    EXPECT_EQ(deviceLinkState().usbHandle, nullptr);

    // Back at index 1, maybe at another place.
    library.clearCalls();
    library.attach(other + ";" + item({c.chosen.serialNumber, c.locIdBack}) + ";queue=2");
    EXPECT_EQ(keeper.afterRead(0, 3.0),
              c.restored ? LinkKeeper::Change::Restored : LinkKeeper::Change::None);
    calls = library.calls();
    EXPECT_TRUE(onlyLookedAt(calls, 0)) << "the other adapter was taken";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "baud 38400"), c.restored ? 1 : 0);
    if (c.restored) {
        EXPECT_FALSE(keeper.lost());
        EXPECT_EQ(connectionTable().rows[0].index, 1) << "the row follows the adapter";
        // The last open is the chosen adapter's, set up for the link.
        const auto opened = std::find(calls.rbegin(), calls.rend(), "open 1").base();
        ASSERT_NE(opened, calls.begin());
        EXPECT_EQ(std::vector<std::string>(opened - 1, calls.end()),
                  (std::vector<std::string>{"open 1", "baud 38400", "data 8 0 0", "flow 0 0 0",
                                            "latency 1", "purge 3"}));
        EXPECT_EQ(readLink(), (Bytes{0x00, 0x01}));
    } else {
        EXPECT_TRUE(keeper.lost());
        EXPECT_TRUE(onlyLookedAt(calls, 1));
        EXPECT_EQ(deviceLinkState().usbHandle, nullptr);
    }
}

const char* const kLibrary = Ftd2xxService::kDefaultLibrary;
const char* const kWithoutList = "zr8-ftd2xx-without-device-list.dll";
const char* const kWithoutInfo = "zr8-ftd2xx-without-device-info.dll";

INSTANTIATE_TEST_SUITE_P(
    Adapters, D2xxLinkKeeperTest,
    ::testing::Values(
        Case{"serial number, back at another place",
             kLibrary,
             {"A1", "111"},
             {"B2", "112"},
             "114",
             true},
        Case{
            "no serial number, back at its place", kLibrary, {"", "111"}, {"", "112"}, "111", true},
        Case{"no serial number, back elsewhere: not told",
             kLibrary,
             {"", "111"},
             {"", "112"},
             "114",
             false},
        Case{"a serial number both share, back at its place",
             kLibrary,
             {"1", "111"},
             {"1", "112"},
             "111",
             true},
        Case{"a serial number both share, back elsewhere",
             kLibrary,
             {"1", "111"},
             {"1", "112"},
             "114",
             false},
        // Older libraries: without the device list there is no place, so only a serial number
        // tells the adapter; without FT_GetDeviceInfo the list's serial number does.
        Case{"no device list, serial number",
             kWithoutList,
             {"A1", "111"},
             {"B2", "112"},
             "114",
             true},
        Case{"no device list, no serial number: not told",
             kWithoutList,
             {"", "111"},
             {"", "112"},
             "111",
             false},
        Case{"no FT_GetDeviceInfo, serial number",
             kWithoutInfo,
             {"A1", "111"},
             {"B2", "112"},
             "114",
             true},
        Case{"no FT_GetDeviceInfo, no serial number, back at its place",
             kWithoutInfo,
             {"", "111"},
             {"", "112"},
             "111",
             true}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name;
        for (const char* c = param.param.what; *c != '\0'; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    });

}  // namespace

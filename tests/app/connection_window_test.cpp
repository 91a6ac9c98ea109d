// Hardware scan and selection in the connection window, over fake ports and adapters.
#include <gtest/gtest.h>

#include <string>

#include "app/connection_window.h"
#include "app/shell.h"
#include "link/connection_table.h"
#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"
#include "tests/support/tool_fixture.h"
#include "ui/connection_window_ids.h"

namespace {

class ConnectionWindowTest : public ToolTest {
  protected:
    ConnectionWindowTest() { registerWindowClasses(); }

    // Creates the window and scans, as opening the connection window does.
    void scan() {
        window = screen.createDialog("CONNECTIONWINZR8", nullptr);
        shellState().currentWindow = window;
        scanHardware(window);
    }
    std::vector<std::string> rows() const { return screen.control(window, kConnectionListId).rows; }
    void command(int id, int notification = 0) {
        screen.dispatch(window, WindowMessage{MessageKind::Command, 0, id, notification});
    }
    void select(int row) {
        screen.selectListRow(window, kConnectionListId, row);
        command(kConnectionListId, kListSelectionChanged);
    }
    bool enabled(int id) const { return screen.control(window, id).enabled; }
    bool checked(int id) const { return screen.control(window, id).checked; }

    FakeSerialPortService serial;
    FakeFtdiService ftdi;
    WindowHandle window = nullptr;
};

TEST_F(ConnectionWindowTest, ListsSerialPortsThenAdaptersInOrder) {
    serial.addPort(3);
    serial.addPort(1);
    serial.addPort(9);  // never probed
    ftdi.addDevice("XYZ");
    scan();

    EXPECT_EQ(rows(), (std::vector<std::string>{"COMM - COM1", "COMM - COM3", "USB - XYZ"}));
    const ConnectionTable& table = connectionTable();
    ASSERT_EQ(table.connectionCount, 3);
    const std::pair<int, int> kindIndex[] = {{0, 0}, {0, 2}, {1, 0}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(table.rows[row].kind, kindIndex[row].first) << row;
        EXPECT_EQ(table.rows[row].index, kindIndex[row].second) << row;
        EXPECT_EQ(std::string(table.rows[row].label), rows()[row]);
    }
    EXPECT_EQ(table.selectedConnection, -1);
    EXPECT_EQ(
        serial.logOf("probe"),
        (std::vector<std::string>{"probe(COM1)", "probe(COM2)", "probe(COM3)", "probe(COM4)",
                                  "probe(COM5)", "probe(COM6)", "probe(COM7)", "probe(COM8)"}));
    EXPECT_EQ(serial.openPortCount(), 0) << "the scan closes every port it opened";
    EXPECT_EQ(ftdi.openDeviceCount(), 0) << "the scan closes every adapter it opened";

    // Nothing selected yet: only Quit leads on; 9600 carries the mark.
    EXPECT_FALSE(enabled(kConnectionOkId));
    EXPECT_FALSE(enabled(kSpeed9600Id));
    EXPECT_FALSE(enabled(kSpeed38400Id));
    EXPECT_TRUE(checked(kSpeed9600Id));
    EXPECT_FALSE(checked(kSpeed38400Id));
}

TEST_F(ConnectionWindowTest, ScanNoticeStandsWhileTheScanRuns) {
    serial.addPort(2);
    scan();
    const auto& log = screen.log();
    const auto at = [&](const std::string& entry) {
        return std::find(log.begin(), log.end(), entry) - log.begin();
    };
    const auto created = at("createDialog(\"PORTSCANWINZR8\", owner #1)");
    ASSERT_LT(created, static_cast<long>(log.size()));
    EXPECT_LT(at("setWindowPosition(#2, 100, 100)"), at("showWindow(#2, show)"));
    EXPECT_LT(at("showWindow(#2, show)"), at("updateWindow(#2)"));
    EXPECT_LT(at("updateWindow(#2)"), at("listAddString(#1, 502, \"COMM - COM2\")"));
    EXPECT_EQ(log.back(), "destroyWindow(#2)");
    EXPECT_FALSE(screen.exists(reinterpret_cast<WindowHandle>(std::uintptr_t{2})));
}

TEST_F(ConnectionWindowTest, ScanWithoutItsNoticeStillCompletes) {
    screen.failDialog("PORTSCANWINZR8");
    serial.addPort(4);
    scan();
    EXPECT_EQ(rows(), std::vector<std::string>{"COMM - COM4"});
    EXPECT_TRUE(screen.logOf("destroyWindow").empty());
}

TEST_F(ConnectionWindowTest, WhatIsAndIsNotListed) {
    serial.addPort(1);
    serial.holdPort(2);  // open in another program
    ftdi.addUnprogrammedDevice();
    ftdi.addDeviceFailingEepromRead();
    ftdi.addDeviceFailingOpen();
    ftdi.addDevice("");
    ftdi.addDevice(std::string(64, 'Q'));  // all 64 bytes used: no terminating NUL
    scan();
    EXPECT_EQ(rows(), (std::vector<std::string>{"COMM - COM1", "USB - Nicht programmiert", "USB - ",
                                                "USB - " + std::string(64, 'Q')}));
    const ConnectionTable& table = connectionTable();
    EXPECT_EQ(table.rows[1].index, 0);
    EXPECT_EQ(table.rows[2].index, 3) << "rows keep the device index of the scan";
    EXPECT_EQ(table.rows[3].index, 4);
    EXPECT_EQ(ftdi.openDeviceCount(), 0) << "an adapter with a failing EEPROM is closed too";
}

TEST_F(ConnectionWindowTest, FailingAdapterCountLeavesTheSerialRows) {
    serial.addPort(5);
    ftdi.addDevice("XYZ");
    ftdi.failCount(kFtdiIoError);
    scan();
    EXPECT_EQ(rows(), std::vector<std::string>{"COMM - COM5"});
}

TEST_F(ConnectionWindowTest, NothingFoundLeavesAnEmptyList) {
    scan();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(connectionTable().connectionCount, 0);
    EXPECT_FALSE(enabled(kConnectionOkId));
}

TEST_F(ConnectionWindowTest, MoreConnectionsThanTheTableHoldsAreDroppedAtTheEnd) {
    for (int port = 1; port <= 8; ++port) {
        serial.addPort(port);
    }
    for (int i = 0; i < 95; ++i) {
        ftdi.addDevice("A" + std::to_string(i));
    }
    scan();
    EXPECT_EQ(connectionTable().connectionCount, kConnectionTableSize);
    ASSERT_EQ(rows().size(), 100u) << "the list stays row for row with the table";
    EXPECT_EQ(rows()[99], "USB - A91");
    EXPECT_EQ(std::string(connectionTable().rows[99].label), "USB - A91");
    EXPECT_EQ(ftdi.openDeviceCount(), 0) << "adapters that found no room are closed as well";
}

TEST_F(ConnectionWindowTest, SelectionEnablesOkAndTheSpeedOnlyForSerialRows) {
    serial.addPort(1);
    ftdi.addDevice("XYZ");
    scan();
    command(kSpeed38400Id);
    ASSERT_EQ(connectionTable().speedChoice, 1);

    select(0);
    EXPECT_EQ(connectionTable().selectedConnection, 0);
    EXPECT_TRUE(enabled(kConnectionOkId));
    EXPECT_TRUE(enabled(kSpeed9600Id));
    EXPECT_TRUE(enabled(kSpeed38400Id));

    select(1);
    EXPECT_EQ(connectionTable().selectedConnection, 1);
    EXPECT_TRUE(enabled(kConnectionOkId));
    EXPECT_FALSE(enabled(kSpeed9600Id));
    EXPECT_FALSE(enabled(kSpeed38400Id));
    EXPECT_TRUE(checked(kSpeed38400Id)) << "the mark and the choice stay";
    EXPECT_EQ(connectionTable().speedChoice, 1);

    select(0);
    EXPECT_TRUE(enabled(kSpeed38400Id));
    EXPECT_TRUE(checked(kSpeed38400Id));

    select(-1);
    EXPECT_EQ(connectionTable().selectedConnection, -1);
    EXPECT_FALSE(enabled(kConnectionOkId));
    EXPECT_FALSE(enabled(kSpeed9600Id));
}

TEST_F(ConnectionWindowTest, SpeedRadiosMoveTheMarkAndTheChoice) {
    serial.addPort(1);
    scan();
    command(kSpeed38400Id);
    EXPECT_EQ(connectionTable().speedChoice, 1);
    EXPECT_TRUE(checked(kSpeed38400Id));
    EXPECT_FALSE(checked(kSpeed9600Id));
    command(kSpeed38400Id);
    EXPECT_EQ(connectionTable().speedChoice, 1);
    command(kSpeed9600Id);
    EXPECT_EQ(connectionTable().speedChoice, 0);
    EXPECT_TRUE(checked(kSpeed9600Id));
}

TEST_F(ConnectionWindowTest, DoubleClickProceedsOnlyWithASelection) {
    serial.addPort(3);
    scan();
    command(kConnectionListId, kListDoubleClick);
    EXPECT_EQ(shellState().currentWindow, window) << "no row selected: nothing happens";
    EXPECT_TRUE(screen.logOf("createDialog(\"SERIALWINZR8\"").empty());

    select(0);
    command(kConnectionListId, kListDoubleClick);
    EXPECT_FALSE(screen.exists(window)) << "the connection window made way for the test window";
    const WindowHandle testWindow = shellState().currentWindow;
    ASSERT_NE(testWindow, nullptr);
    EXPECT_EQ(screen.window(testWindow)->title, "ORVAN ZR8 Test Tool - COMM - COM3");
    EXPECT_FALSE(screen.quitPosted()) << "a window replaced by a switch does not end the program";
}

TEST_F(ConnectionWindowTest, CreateMovesTheWindowAndQuitEndsTheProgram) {
    scan();
    EXPECT_EQ(screen.window(window)->x, 15);
    EXPECT_EQ(screen.window(window)->y, 15);
    EXPECT_FALSE(screen.quitPosted());
    command(kConnectionQuitId);
    EXPECT_TRUE(screen.quitPosted());
    EXPECT_TRUE(screen.exists(window)) << "the window stays until the loop has ended";
}

}  // namespace

// The Linux program's windows under the input a person gives them: mouse presses and keys on the
// connection list, and the desktop closing a window, delivered as Qt input events to the widgets
// (the X-level suite in tests/desktop/ does the same through a real X server).
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <vector>

#include "app/qt/qt_window_services.h"
#include "app/shell.h"
#include "link/connection_table.h"
#include "tests/qt/qt_wait.h"
#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"
#include "tests/support/tool_fixture.h"
#include "ui/connection_window_ids.h"
#include "ui/test_window_ids.h"

namespace {

using Frame = std::vector<std::uint8_t>;
const Frame kTrimOffStep1 = {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x00, 0x00, 0x00, 0x00, 0x8E};
const Frame kGearAllOff = {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFC};
const Frame kHobbsOff = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x00, 0x2D};

class DesktopInputTest : public ::testing::Test {
  protected:
    DesktopInputTest() {
        resetToolState();
        installWindowServices(&services);
    }
    ~DesktopInputTest() override {
        finishTool();
        QCoreApplication::processEvents();
        installWindowServices(nullptr);
        resetToolState();
    }

    // Starts the tool on the ports and adapters set up so far; the connection window shows.
    void start() {
        ASSERT_EQ(startTool(), 1);
        connection = services.windowOfClass("CONNECTIONWINZR8");
        ASSERT_NE(connection, nullptr);
        list = qobject_cast<QListWidget*>(services.controlWidget(connection, kConnectionListId));
        ASSERT_NE(list, nullptr);
        services.widget(connection)->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(services.widget(connection)));
    }

    QWidget* control(int id) const { return services.controlWidget(connection, id); }
    QPoint rowCentre(int row) const { return list->visualItemRect(list->item(row)).center(); }
    void press(int row) { QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(row)); }
    void key(Qt::Key which) { QTest::keyClick(list, which); }

    // What the window shows: the row highlighted, and which controls can be used.
    struct Shown {
        int highlighted;
        std::int16_t selected;  // what the program took as the selection
        bool ok;
        bool speeds;
    };
    Shown shown() const {
        const QList<QListWidgetItem*> items = list->selectedItems();
        return Shown{items.isEmpty() ? -1 : list->row(items.first()),
                     connectionTable().selectedConnection, control(kConnectionOkId)->isEnabled(),
                     control(kSpeed9600Id)->isEnabled() && control(kSpeed38400Id)->isEnabled()};
    }

    // The row highlighted on the screen and the row the program took are both expected.
    void expectShown(int row, bool ok, bool speeds, const char* why = "") const {
        const Shown now = shown();
        EXPECT_EQ(now.highlighted, row) << "row highlighted on the screen; " << why;
        EXPECT_EQ(now.selected, row) << "row the program took; " << why;
        EXPECT_EQ(now.ok, ok) << "OK enabled; " << why;
        EXPECT_EQ(now.speeds, speeds) << "speed radios enabled; " << why;
    }

    QtWindowServices services;
    FakeSerialPortService serial;
    FakeFtdiService ftdi;
    WindowHandle connection = nullptr;
    QListWidget* list = nullptr;
};

TEST_F(DesktopInputTest, OneRowIsSelectedByTheFirstClickAndOkOpensTheTestWindow) {
    serial.addPort(5);
    start();
    expectShown(-1, false, false);
    press(0);
    expectShown(0, true, true);
    QTest::mouseClick(control(kConnectionOkId), Qt::LeftButton);
    ASSERT_NE(services.windowOfClass("SERIALWINZR8"), nullptr);
    EXPECT_EQ(services.widget(services.windowOfClass("SERIALWINZR8"))->windowTitle(),
              "ORVAN ZR8 Test Tool - COMM - COM5");
}

TEST_F(DesktopInputTest, ClicksAndKeysMoveTheSelectionAsAWindowsListBox) {
    serial.addPort(2);
    serial.addPort(5);
    ftdi.addDevice("PANEL A");
    start();
    ASSERT_EQ(list->count(), 3);

    press(2);
    expectShown(2, true, false, "a USB row leaves the speed radios disabled");
    press(2);
    expectShown(2, true, false, "a click on the selected row changes nothing");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(rowCentre(2).x(), list->viewport()->height() - 3));
    expectShown(2, true, false, "a click below the rows changes nothing");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
    expectShown(2, true, false, "Ctrl does not take the selection away");

    key(Qt::Key_Up);
    expectShown(1, true, true);
    key(Qt::Key_Home);
    expectShown(0, true, true);
    key(Qt::Key_Up);
    expectShown(0, true, true);
    key(Qt::Key_End);
    expectShown(2, true, false);
    key(Qt::Key_PageUp);
    expectShown(0, true, true);
    key(Qt::Key_Down);
    expectShown(1, true, true);
    key(Qt::Key_PageDown);
    expectShown(2, true, false);

    // The radios keep their mark and the choice through a USB row.
    press(0);
    QTest::mouseClick(control(kSpeed38400Id), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(connectionTable().speedChoice, 1);
    press(2);
    press(1);
    expectShown(1, true, true);
    EXPECT_EQ(connectionTable().speedChoice, 1);
    EXPECT_TRUE(qobject_cast<QRadioButton*>(control(kSpeed38400Id))->isChecked());
}

TEST_F(DesktopInputTest, DoubleClickOnARowProceedsAsOk) {
    serial.addPort(3);
    serial.addPort(5);
    start();
    // A double-click as the window system delivers it: a press and release, then the second
    // press as a double-click.
    press(1);
    ASSERT_EQ(services.windowOfClass("SERIALWINZR8"), nullptr) << "a single click only selects";
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(1));
    const WindowHandle test = services.windowOfClass("SERIALWINZR8");
    ASSERT_NE(test, nullptr) << "the double-click opened the test window";
    EXPECT_EQ(services.widget(test)->windowTitle(), "ORVAN ZR8 Test Tool - COMM - COM5");
    EXPECT_EQ(services.windowOfClass("CONNECTIONWINZR8"), nullptr);
    EXPECT_TRUE(serial.isOpen(5));
}

TEST_F(DesktopInputTest, RowsTheProgramAddsOrRemovesAreNotReportedAsTheUsersChoice) {
    serial.addPort(5);
    start();
    press(0);
    services.listDeleteString(connection, kConnectionListId, 0);
    EXPECT_EQ(connectionTable().selectedConnection, 0)
        << "only the user's changes notify the window, as on Windows";
    EXPECT_EQ(services.listCurrentSelection(connection, kConnectionListId), -1);
}

TEST_F(DesktopInputTest, TheDesktopClosingTheConnectionWindowEndsTheRun) {
    serial.addPort(5);
    start();
    services.widget(connection)->close();
    EXPECT_TRUE(services.quitRequested());
    EXPECT_EQ(services.windowOfClass("CONNECTIONWINZR8"), nullptr) << "the window is destroyed";
    EXPECT_EQ(shellState().currentWindow, nullptr);
    EXPECT_FALSE(serial.isOpen(5));
}

TEST_F(DesktopInputTest, TheDesktopClosingTheTestWindowSwitchesEveryOutputOffAsQuitDoes) {
    serial.addPort(5);
    start();
    press(0);
    QTest::mouseClick(control(kConnectionOkId), Qt::LeftButton);
    const WindowHandle test = services.windowOfClass("SERIALWINZR8");
    ASSERT_NE(test, nullptr);
    ASSERT_EQ(serial.writes(5).size(), 3u);

    services.widget(test)->close();
    EXPECT_TRUE(services.quitRequested());
    EXPECT_EQ(services.windowOfClass("SERIALWINZR8"), nullptr);
    EXPECT_EQ(serial.writes(5), (std::vector<Frame>{kTrimOffStep1, kGearAllOff, kHobbsOff,
                                                    kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_FALSE(serial.isOpen(5)) << "the link is closed after the three frames";
    finishTool();
    EXPECT_EQ(serial.writes(5).size(), 6u) << "the shutdown runs once";
}

}  // namespace

// The test window over a fake COM port (and a fake adapter): what opening sends and shows, the
// poll cycle, every command, Clear and the shutdown.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "link/connection_table.h"
#include "protocol/output_frames.h"
#include "protocol/report_state.h"
#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"
#include "tests/support/tool_fixture.h"
#include "ui/test_window.h"
#include "ui/test_window_ids.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t d(int payload) {
    return static_cast<std::uint8_t>(0x80 | payload);
}

// Frames in their published form.
const Bytes kTrimOffStep1 = {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x00, 0x00, 0x00, 0x00, 0x8E};
const Bytes kGearAllOff = {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFC};
const Bytes kHobbsOff = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x00, 0x2D};
const Bytes kHobbsOn = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x01, 0x23};

class TestWindowTest : public ToolTest {
  protected:
    TestWindowTest() {
        registerWindowClasses();
        char name[16];
        for (int n = 1; n <= kBitmapCount; ++n) {
            std::snprintf(name, sizeof name, "BILD%d", n);
            shellState().bitmaps[n - 1] = screen.loadBitmap(name);
        }
        serial.addPort(3);
        appendConnection(kSerialConnection, 2, "COMM - COM3");
        connectionTable().selectedConnection = 0;
    }

    void open() {
        shellState().switchingGuard = 1;
        ASSERT_EQ(openTestWindow(), 1);
        shellState().switchingGuard = 0;
        window = shellState().currentWindow;
    }
    void click(int id) {
        EXPECT_EQ(screen.dispatch(window, WindowMessage{MessageKind::Command, 0, id, 0}), 1) << id;
    }
    void tick(int timerId) { ASSERT_TRUE(screen.fireTimer(window, timerId)); }
    std::vector<Bytes> sent() const { return serial.writes(3); }
    std::string text(int id) const { return textOf(window, id); }
    bool checked(int id) const { return screen.control(window, id).checked; }

    FakeSerialPortService serial;
    FakeFtdiService ftdi;
    WindowHandle window = nullptr;
};

TEST_F(TestWindowTest, OpeningSendsEveryOutputOffAndShowsNothingReported) {
    open();
    EXPECT_EQ(screen.window(window)->title, "ORVAN ZR8 Test Tool - COMM - COM3");
    EXPECT_EQ(sent(), (std::vector<Bytes>{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_EQ(serial.baudRate(3), 9600u);

    EXPECT_EQ(text(kStepReadoutId), "1");
    for (int id : {1002, 2201, 2203, 2500, 2501, 2502, 2503, 2504, 2505}) {
        EXPECT_EQ(text(id), "-") << id;
    }
    EXPECT_EQ(pictureOf(window, 2000), "BILD1");
    EXPECT_EQ(pictureOf(window, 2026), "BILD18");
    EXPECT_EQ(pictureOf(window, 2200), "BILD23");
    EXPECT_EQ(pictureOf(window, 2512), "BILD15");
    for (int bar = 2506; bar <= 2511; ++bar) {
        EXPECT_EQ(screen.control(window, bar).progressHigh, 127) << bar;
        EXPECT_EQ(screen.control(window, bar).progressPosition, 0) << bar;
    }
    for (int id : {2302, 2305, 2308, 2400}) {
        EXPECT_TRUE(checked(id)) << id;
    }
    EXPECT_FALSE(checked(kIndicatorOnBoxId));
    EXPECT_FALSE(checked(kLightsDimmedBoxId));
    const auto& timers = screen.window(window)->timers;
    EXPECT_EQ(timers.at(kPollTimerId), 5u);
    EXPECT_EQ(timers.at(kHobbsTimerId), 5000u);
    EXPECT_TRUE(screen.window(window)->visible);
    EXPECT_EQ(screen.window(window)->x, 15);
}

TEST_F(TestWindowTest, OpeningOrderLinkBeforeWindowFramesBeforeTimers) {
    open();
    std::vector<std::string> order;
    for (const std::string& entry : screen.log()) {
        for (const char* step : {"createDialog(\"SERIALWINZR8\"", "setWindowText",
                                 "setProgressRange", "setTimer", "showWindow"}) {
            if (entry.rfind(step, 0) == 0 && (order.empty() || order.back() != step)) {
                order.push_back(step);
            }
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"createDialog(\"SERIALWINZR8\"", "setWindowText",
                                               "setProgressRange", "setTimer", "showWindow"}));
    EXPECT_EQ(serial.log().front(), "open(COM3)");
}

TEST_F(TestWindowTest, PollRedrawsWhatTheModulesReport) {
    open();
    serial.queue(3, {18, d(0), d(0x01), 112, d(24), d(3), 115, d(1), 116, d(5)});
    tick(kPollTimerId);
    EXPECT_EQ(pictureOf(window, 2000), "BILD3");
    EXPECT_EQ(pictureOf(window, 2001), "BILD2");
    EXPECT_EQ(screen.control(window, kModuleListId).rows,
              std::vector<std::string>{"v3  -  ORVAN ZR8 Trim Modul"});
    EXPECT_EQ(text(kMainboardReadoutId), "133");

    screen.clearLog();
    tick(kPollTimerId);
    EXPECT_TRUE(screen.log().empty()) << "a poll with nothing new touches no control";
}

TEST_F(TestWindowTest, TrimIndicatorControls) {
    open();
    const std::size_t before = sent().size();
    click(kStepDownButtonId);
    EXPECT_EQ(text(kStepReadoutId), "1");
    for (int i = 0; i < 25; ++i) {
        click(kStepUpButtonId);
    }
    EXPECT_EQ(text(kStepReadoutId), "20");
    EXPECT_EQ(outputState().trimIndicatorStep, 20);
    EXPECT_EQ(sent().size(), before + 26) << "every click sends, even at the ends";
    EXPECT_EQ(sent().back()[7], 0xFF);

    click(kIndicatorOnBoxId);
    EXPECT_TRUE(checked(kIndicatorOnBoxId));
    EXPECT_EQ(sent().back()[6], 1);
    click(kIndicatorOnBoxId);
    EXPECT_FALSE(checked(kIndicatorOnBoxId));
    EXPECT_EQ(sent().back()[6], 0);
}

TEST_F(TestWindowTest, GearLightRadiosAndDimming) {
    open();
    struct Row {
        int id;
        int byte;  // wire position: nose 6, left 7, right 9
        int code;
    };
    const Row rows[] = {{2306, 6, 3}, {2307, 6, 2}, {2305, 6, 0}, {2303, 7, 3},
                        {2304, 7, 2}, {2309, 9, 3}, {2310, 9, 2}, {2308, 9, 0}};
    for (const Row& row : rows) {
        const std::size_t before = sent().size();
        click(row.id);
        ASSERT_EQ(sent().size(), before + 1) << row.id;
        EXPECT_EQ(sent().back()[5], 0x20);
        EXPECT_EQ(sent().back()[row.byte], row.code) << row.id;
        EXPECT_TRUE(checked(row.id)) << row.id;
        const int first = 2302 + (row.id - 2302) / 3 * 3;
        for (int other = first; other < first + 3; ++other) {
            EXPECT_EQ(checked(other), other == row.id) << other;
        }
    }
    click(2306);
    click(2306);
    const auto frames = sent();
    EXPECT_EQ(frames[frames.size() - 1], frames[frames.size() - 2]) << "a repeated click resends";

    click(kLightsDimmedBoxId);
    EXPECT_TRUE(checked(kLightsDimmedBoxId));
    EXPECT_EQ(sent().back()[8], 1);
}

TEST_F(TestWindowTest, HobbsMeterRepeatsOnItsTimerWhileOn) {
    open();
    click(kHobbsOnId);
    EXPECT_EQ(sent().back(), kHobbsOn);
    EXPECT_TRUE(checked(kHobbsOnId));
    const std::size_t before = sent().size();
    tick(kHobbsTimerId);
    tick(kHobbsTimerId);
    EXPECT_EQ(sent().size(), before + 2);
    EXPECT_EQ(sent().back(), kHobbsOn);

    click(kHobbsOffId);
    const std::size_t off = sent().size();
    tick(kHobbsTimerId);
    EXPECT_EQ(sent().size(), off);
}

TEST_F(TestWindowTest, ClearResetsDisplayListAndOutputsButKeepsMainboardAndCounter) {
    open();
    serial.queue(3, {24, d(45), d(0x01), 24, d(45), d(0x01), 112, d(99), d(1), 120, d(1), d(0),
                     d(2), d(3), d(0), 98, d(3), d(0x10), d(0x10)});
    tick(kPollTimerId);
    ASSERT_EQ(text(kTrimCounterReadoutId), "2");
    click(kStepUpButtonId);
    click(kIndicatorOnBoxId);
    click(2307);
    click(kLightsDimmedBoxId);
    click(kHobbsOnId);
    const std::size_t before = sent().size();

    click(kClearButtonId);
    const std::vector<Bytes> frames = sent();
    EXPECT_EQ(std::vector<Bytes>(frames.begin() + static_cast<long>(before), frames.end()),
              (std::vector<Bytes>{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_TRUE(screen.control(window, kModuleListId).rows.empty());
    EXPECT_EQ(text(kMainboardReadoutId), "1-3-2");
    EXPECT_EQ(text(kStepReadoutId), "1");
    EXPECT_EQ(text(kTrimCounterReadoutId), "-");
    EXPECT_EQ(text(2500), "-");
    EXPECT_EQ(screen.control(window, 2506).progressPosition, 0);
    EXPECT_EQ(pictureOf(window, 2202), "BILD36");
    EXPECT_FALSE(checked(kIndicatorOnBoxId));
    EXPECT_FALSE(checked(kLightsDimmedBoxId));
    EXPECT_TRUE(checked(2305));
    EXPECT_TRUE(checked(kHobbsOffId));

    serial.queue(3, {24, d(45), d(0x01), 112, d(99), d(1)});
    tick(kPollTimerId);
    EXPECT_EQ(text(kTrimCounterReadoutId), "3") << "the counter continues from before Clear";
    EXPECT_EQ(screen.control(window, kModuleListId).rows,
              std::vector<std::string>{"v1  -  ORVAN ZR8 LDG Gear Modul"});
}

TEST_F(TestWindowTest, PaintRedrawsEverything) {
    open();
    screen.clearLog();
    screen.dispatch(window, WindowMessage{MessageKind::Paint, 0, 0, 0});
    EXPECT_EQ(screen.logOf("setItemImage").size(), 41u);
}

TEST_F(TestWindowTest, UnknownCommandIsLeftToTheSystem) {
    open();
    EXPECT_EQ(screen.dispatch(window, WindowMessage{MessageKind::Command, 0, 2000, 0}), 0);
    EXPECT_EQ(sent().size(), 3u);
}

TEST_F(TestWindowTest, ShutdownSendsAllOffClosesTheLinkAndStopsTheTimers) {
    open();
    click(2306);
    click(kHobbsOnId);
    serial.clearLog();
    screen.destroyWindow(window);
    const auto frames = sent();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(std::vector<Bytes>(frames.end() - 3, frames.end()),
              (std::vector<Bytes>{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_EQ(serial.log(), (std::vector<std::string>{"write(COM3, 11)", "write(COM3, 11)",
                                                      "write(COM3, 11)", "close(COM3)"}));
    EXPECT_EQ(screen.logOf("killTimer"),
              (std::vector<std::string>{"killTimer(#1, 1)", "killTimer(#1, 2)"}));
    EXPECT_TRUE(screen.quitPosted()) << "destroyed other than by a switch: the program ends";
    EXPECT_EQ(outputState().hobbsOn, 0);
    EXPECT_EQ(outputState().noseGearLight, 0);
}

TEST_F(TestWindowTest, WindowWorksWhenThePortCannotBeOpened) {
    serial.holdPort(3);
    open();
    EXPECT_TRUE(sent().empty());
    serial.queue(3, {18, d(0), d(0x7F)});
    tick(kPollTimerId);
    EXPECT_EQ(pictureOf(window, 2000), "BILD1") << "nothing is read";
    click(kStepUpButtonId);
    EXPECT_EQ(text(kStepReadoutId), "2") << "controls still respond";
    EXPECT_TRUE(sent().empty());
}

TEST_F(TestWindowTest, UsbRowOpensTheAdapterAndSendsThere) {
    ftdi.addDevice("XYZ");
    appendConnection(kUsbConnection, 0, "USB - XYZ");
    connectionTable().selectedConnection = 1;
    connectionTable().speedChoice = 0;
    open();
    EXPECT_EQ(screen.window(window)->title, "ORVAN ZR8 Test Tool - USB - XYZ");
    EXPECT_EQ(ftdi.writes(0), (std::vector<Bytes>{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_TRUE(sent().empty());
    ftdi.queue(0, {18, d(0), d(0x01)});
    tick(kPollTimerId);
    EXPECT_EQ(pictureOf(window, 2000), "BILD3");
}

TEST_F(TestWindowTest, SpeedChoiceSetsTheSerialSpeed) {
    connectionTable().speedChoice = 1;
    open();
    EXPECT_EQ(serial.baudRate(3), 38400u);
}

}  // namespace

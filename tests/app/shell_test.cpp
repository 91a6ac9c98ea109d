// The whole run through runTool: the single-instance rule, start-up, switching windows, the
// message loop and the failure box, with a scripted user.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "link/connection_table.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "tests/support/fake_ftdi_service.h"
#include "tests/support/fake_serial_port_service.h"
#include "tests/support/tool_fixture.h"
#include "ui/connection_window_ids.h"
#include "ui/indicator_display.h"
#include "ui/test_window_ids.h"

namespace {

class ShellTest : public ToolTest {
  protected:
    // The user clicks a control of whichever of our windows is open.
    void thenClick(const char* className, int id, int notification = 0) {
        screen.whenIdle([this, className, id, notification] {
            const WindowHandle window = screen.findWindow(className);
            ASSERT_NE(window, nullptr) << className << " is not open";
            screen.dispatch(window, WindowMessage{MessageKind::Command, 0, id, notification});
        });
    }
    void thenSelectRow(int row) {
        screen.whenIdle([this, row] {
            const WindowHandle window = screen.findWindow("CONNECTIONWINZR8");
            ASSERT_NE(window, nullptr);
            screen.selectListRow(window, kConnectionListId, row);
            screen.dispatch(window, WindowMessage{MessageKind::Command, 0, kConnectionListId,
                                                  kListSelectionChanged});
        });
    }

    FakeSerialPortService serial;
    FakeFtdiService ftdi;
};

int writeControlsInCreate(WindowHandle window, const WindowMessage& message) {
    if (message.kind == MessageKind::Create) {
        windowServices().setItemText(window, kStepReadoutId, "9");
        windowServices().checkButton(window, kIndicatorOnBoxId, true);
        windowServices().setWindowPosition(window, 15, 15);
    }
    return 1;
}

TEST_F(ShellTest, CreateComesBeforeTheDialogsControlsExistAsUnderWindows) {
    screen.registerWindowClass("SERIALWINZR8", writeControlsInCreate);
    const WindowHandle window = screen.createDialog("SERIALWINZR8", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(textOf(window, kStepReadoutId), "1") << "the template's text: no read-out yet";
    EXPECT_FALSE(screen.control(window, kIndicatorOnBoxId).checked);
    EXPECT_EQ(screen.window(window)->x, 15) << "the window itself exists";
    screen.setItemText(window, 9999, "x");
    EXPECT_EQ(textOf(window, 9999), "") << "a window has the controls of its template only";
}

TEST_F(ShellTest, StartUpPutsEverythingInItsStartStateBeforeTheFirstWindow) {
    reportState().receivedSlots[3] = 1;
    indicatorDisplay().shownSlots[3] = 1;
    moduleRegistry().entries[24].present = 1;
    moduleRegistry().currentModuleType = 24;
    bool checked = false;
    screen.whenIdle([&] {
        checked = true;
        for (int n = 0; n < kBitmapCount; ++n) {
            EXPECT_EQ(screen.bitmapName(shellState().bitmaps[n]), "BILD" + std::to_string(n + 1));
        }
        EXPECT_EQ(reportState().receivedSlots[3], -1);
        EXPECT_EQ(indicatorDisplay().shownSlots[3], -1);
        EXPECT_EQ(moduleRegistry().entries[24].present, 0);
        EXPECT_EQ(moduleRegistry().currentModuleType, -1);
    });
    thenClick("CONNECTIONWINZR8", kConnectionQuitId);
    EXPECT_EQ(runTool(), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(screen.logOf("registerWindowClass"),
              (std::vector<std::string>{"registerWindowClass(\"CONNECTIONWINZR8\")",
                                        "registerWindowClass(\"SERIALWINZR8\")"}));
}

TEST_F(ShellTest, MissingPictureLeavesItsEntryEmptyAndStartUpGoesOn) {
    screen.failBitmap("BILD7");
    thenClick("CONNECTIONWINZR8", kConnectionQuitId);
    EXPECT_EQ(runTool(), 0);
    EXPECT_EQ(shellState().bitmaps[6], nullptr);
    EXPECT_NE(shellState().bitmaps[7], nullptr);
    EXPECT_TRUE(screen.messageBoxes().empty());
}

TEST_F(ShellTest, QuitInTheConnectionWindowDestroysItAfterTheLoop) {
    thenClick("CONNECTIONWINZR8", kConnectionQuitId);
    EXPECT_EQ(runTool(), 0);
    const std::vector<std::string> tail(screen.log().end() - 3, screen.log().end());
    // The late destroy asks to quit once more, which changes nothing.
    EXPECT_EQ(tail, (std::vector<std::string>{"postQuit(0)", "destroyWindow(#1)", "postQuit(0)"}));
    EXPECT_EQ(shellState().currentWindow, nullptr);
}

TEST_F(ShellTest, SecondCopyBringsTheRunningWindowForwardAndShowsNothing) {
    struct Case {
        const char* runningClass;
        bool iconic;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"CONNECTIONWINZR8", true, {"showWindow(#1, restore)", "setForegroundWindow(#1)"}},
        {"SERIALWINZR8", false, {"setForegroundWindow(#1)"}},
        {"SERIALWINZR8", true, {"showWindow(#1, restore)", "setForegroundWindow(#1)"}},
    };
    for (const Case& c : cases) {
        RecordingWindowServices secondScreen;
        secondScreen.addForeignWindow(c.runningClass, c.iconic);
        EXPECT_EQ(runTool(), 0);
        EXPECT_EQ(secondScreen.log(), c.expected) << c.runningClass;
        EXPECT_TRUE(secondScreen.messageBoxes().empty());
    }
    EXPECT_TRUE(serial.log().empty()) << "a second copy does not scan";
}

TEST_F(ShellTest, RefusedWindowClassEndsTheRunSilently) {
    for (const char* refused : {"CONNECTIONWINZR8", "SERIALWINZR8"}) {
        RecordingWindowServices refusingScreen;
        refusingScreen.failClass(refused);
        EXPECT_EQ(runTool(), 0) << refused;
        EXPECT_TRUE(refusingScreen.logOf("createDialog").empty()) << refused;
        EXPECT_TRUE(refusingScreen.messageBoxes().empty()) << refused;
    }
    RecordingWindowServices firstRefused;
    firstRefused.failClass("CONNECTIONWINZR8");
    runTool();
    EXPECT_EQ(firstRefused.logOf("registerWindowClass"),
              std::vector<std::string>{"registerWindowClass(\"CONNECTIONWINZR8\")"})
        << "the second class is not tried";
}

TEST_F(ShellTest, ConnectionWindowThatCannotBeCreatedGivesTheBoxAndEnds) {
    screen.failDialog("CONNECTIONWINZR8");
    EXPECT_EQ(runTool(), 0);
    EXPECT_EQ(screen.messageBoxes(), std::vector<std::string>{"Error: Can't open window!"});
    EXPECT_TRUE(screen.quitPosted());
    EXPECT_TRUE(serial.log().empty()) << "no scan without a window";
}

TEST_F(ShellTest, TestWindowThatCannotBeCreatedGivesTheBoxWithNoWindowBehindIt) {
    serial.addPort(1);
    screen.failDialog("SERIALWINZR8");
    thenSelectRow(0);
    thenClick("CONNECTIONWINZR8", kConnectionOkId);
    EXPECT_EQ(runTool(), 0);
    EXPECT_EQ(screen.messageBoxes(), std::vector<std::string>{"Error: Can't open window!"});
    EXPECT_EQ(screen.findWindow("CONNECTIONWINZR8"), nullptr);
    EXPECT_EQ(shellState().currentWindow, nullptr);
}

TEST_F(ShellTest, QuitInTheTestWindowShutsDownOnceAfterTheLoop) {
    serial.addPort(2);
    thenSelectRow(0);
    thenClick("CONNECTIONWINZR8", kConnectionOkId);
    thenClick("SERIALWINZR8", kQuitButtonId);
    bool loopEnded = false;
    screen.whenIdle([&] { loopEnded = true; });  // never reached: the quit ends the loop first

    EXPECT_EQ(runTool(), 0);
    EXPECT_FALSE(loopEnded);
    // Three frames on opening, three all-off frames at shutdown, then the port closed.
    EXPECT_EQ(serial.writes(2).size(), 6u);
    EXPECT_EQ(serial.log().back(), "close(COM2)");
    EXPECT_FALSE(serial.isOpen(2));
    EXPECT_EQ(screen.logOf("killTimer").size(), 2u);
    EXPECT_EQ(screen.logOf("destroyWindow(#3)").size(), 1u);
}

TEST_F(ShellTest, WindowDestroyedDuringTheLoopEndsTheRunAndIsNotDestroyedTwice) {
    screen.whenIdle([this] { screen.destroyWindow(screen.findWindow("CONNECTIONWINZR8")); });
    EXPECT_EQ(runTool(), 0);
    EXPECT_EQ(screen.logOf("destroyWindow(#1)").size(), 1u);
    EXPECT_TRUE(screen.quitPosted());
}

TEST_F(ShellTest, UnknownSwitchTargetCountsAsAFailedOpening) {
    switchWindow(5);
    EXPECT_EQ(screen.messageBoxes(), std::vector<std::string>{"Error: Can't open window!"});
    EXPECT_TRUE(screen.quitPosted());
    EXPECT_EQ(shellState().switchingGuard, 0);
}

}  // namespace

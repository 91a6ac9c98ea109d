// Qt window services: the templates rendered as widgets, and the message semantics the core
// relies on (destroy at once, timers, quit before and inside the loop, program-set marks).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <vector>

#include "app/qt/dialog_units.h"
#include "app/qt/qt_window_services.h"
#include "tests/qt/qt_wait.h"
#include "ui/dialog_styles.h"
#include "ui/dialog_template.h"
#include "ui/widest_readouts.h"

namespace {

std::vector<WindowMessage> received;
std::vector<WindowHandle> receivedBy;

int recordingProcedure(WindowHandle window, const WindowMessage& message) {
    received.push_back(message);
    receivedBy.push_back(window);
    return 1;
}

int countOf(MessageKind kind) {
    int n = 0;
    for (const WindowMessage& message : received) {
        n += message.kind == kind ? 1 : 0;
    }
    return n;
}

class QtWindowServicesTest : public ::testing::Test {
  protected:
    QtWindowServicesTest() {
        received.clear();
        receivedBy.clear();
        installWindowServices(&services);
        services.registerWindowClass("SERIALWINZR8", recordingProcedure);
        services.registerWindowClass("CONNECTIONWINZR8", recordingProcedure);
    }
    ~QtWindowServicesTest() override { installWindowServices(nullptr); }

    template <typename Widget>
    Widget* control(WindowHandle window, int id) {
        return qobject_cast<Widget*>(services.controlWidget(window, id));
    }

    QtWindowServices services;
};

TEST_F(QtWindowServicesTest, TestWindowTemplateBecomesWidgetsOfTheRightKind) {
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(countOf(MessageKind::Create), 1);
    const DialogTemplate& dialog = *findDialogTemplate("SERIALWINZR8");
    const DialogUnits units = dialogUnitsFor(services.widget(window)->font());
    int withIds = 0;
    for (int i = 0; i < dialog.itemCount; ++i) {
        const DialogItem& item = dialog.items[i];
        if (item.id == -1) {
            continue;
        }
        ++withIds;
        QWidget* widget = services.controlWidget(window, item.id);
        ASSERT_NE(widget, nullptr) << item.id;
        const QRect drawn = units.rect(item.x, item.y, item.width, item.height);
        // A text may have widened its box sideways (checked below); nothing else moves.
        const bool text = qobject_cast<QCheckBox*>(widget) != nullptr ||
                          qobject_cast<QRadioButton*>(widget) != nullptr ||
                          (qobject_cast<QLabel*>(widget) != nullptr &&
                           (item.style & kSsTypeMask) != kSsBitmap);
        if (text) {
            EXPECT_TRUE(widget->geometry().contains(drawn)) << item.id;
            EXPECT_EQ(widget->y(), drawn.y()) << item.id;
            EXPECT_EQ(widget->height(), drawn.height()) << item.id;
        } else {
            EXPECT_EQ(widget->geometry(), drawn) << item.id;
        }
    }
    EXPECT_EQ(withIds, 75);
    EXPECT_NE(control<QPushButton>(window, 1000), nullptr);
    EXPECT_EQ(control<QPushButton>(window, 1000)->text(), "&Quit");
    EXPECT_NE(control<QCheckBox>(window, 2204), nullptr);
    EXPECT_NE(control<QRadioButton>(window, 2303), nullptr);
    EXPECT_NE(control<QListWidget>(window, 1003), nullptr);
    ASSERT_NE(control<QProgressBar>(window, 2506), nullptr);
    EXPECT_EQ(control<QProgressBar>(window, 2506)->orientation(), Qt::Vertical);
    EXPECT_FALSE(control<QProgressBar>(window, 2506)->isTextVisible());
    ASSERT_NE(control<QLabel>(window, 2207), nullptr);
    EXPECT_EQ(control<QLabel>(window, 2207)->text(), "1");
    EXPECT_EQ(control<QLabel>(window, 2207)->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(control<QLabel>(window, 1002)->text(), "-");
    EXPECT_EQ(services.widget(window)->findChildren<QGroupBox*>().size(), 8);

    QWidget* top = services.widget(window);
    EXPECT_EQ(top->windowTitle(), "ORVAN Mask Test");
    EXPECT_EQ(top->size(), QSize(units.x(730), units.y(360)));
    EXPECT_FALSE(top->windowFlags().testFlag(Qt::WindowCloseButtonHint)) << "no system menu";
    EXPECT_FALSE(top->isVisible()) << "not visible until shown";
    EXPECT_GT(units.baseX, 3);
    EXPECT_GT(units.baseY, 8);
}

// What a window procedure does to the controls while its window is being created.
int writingInCreate(WindowHandle window, const WindowMessage& message) {
    received.push_back(message);
    if (message.kind == MessageKind::Create) {
        windowServices().setItemText(window, 2207, "9");
        windowServices().checkButton(window, 2204, true);
        windowServices().setWindowText(window, "moved in create");
    }
    return 1;
}

TEST_F(QtWindowServicesTest, CreateComesBeforeTheControlsExistAsUnderWindows) {
    services.registerWindowClass("SERIALWINZR8", writingInCreate);
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(countOf(MessageKind::Create), 1);
    EXPECT_EQ(control<QLabel>(window, 2207)->text(), "1") << "the read-out did not exist yet";
    EXPECT_FALSE(control<QCheckBox>(window, 2204)->isChecked()) << "nor did the check box";
    EXPECT_EQ(services.widget(window)->windowTitle(), "moved in create")
        << "the window itself exists";
}

// Every text of the templates is shown whole in the font in use: each box is at least as wide
// as its text (a read-out as its widest value), and making room moved nothing onto a neighbour
// it was clear of, nor out of its group box.
TEST_F(QtWindowServicesTest, EveryTextIsShownWholeAndNothingWidenedOverlapsANeighbour) {
    for (const char* name : {"CONNECTIONWINZR8", "SERIALWINZR8", "PORTSCANWINZR8"}) {
        SCOPED_TRACE(name);
        services.registerWindowClass("PORTSCANWINZR8", recordingProcedure);
        const WindowHandle window = services.createDialog(name, nullptr);
        ASSERT_NE(window, nullptr);
        const DialogTemplate& dialog = *findDialogTemplate(name);
        const DialogUnits units = dialogUnitsFor(services.widget(window)->font());
        const QList<QWidget*> shown =
            services.widget(window)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_EQ(shown.size(), dialog.itemCount) << "one widget per template item, in order";
        for (int i = 0; i < dialog.itemCount; ++i) {
            const DialogItem& item = dialog.items[i];
            QWidget* widget = shown[i];
            const std::string what = std::to_string(item.id) + " \"" + item.text + "\"";
            int needed = 0;
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if ((item.style & kSsTypeMask) == kSsBitmap) {
                    continue;
                }
                QString text = QString::fromLatin1(item.text);
                if (const char* widest = widestReadoutText(item.id)) {
                    text = QString::fromLatin1(widest);
                }
                needed = label->fontMetrics().horizontalAdvance(text) + 2 * label->frameWidth();
            } else if (qobject_cast<QCheckBox*>(widget) != nullptr ||
                       qobject_cast<QRadioButton*>(widget) != nullptr) {
                needed = widget->sizeHint().width();
            } else {
                continue;
            }
            EXPECT_GE(widget->width(), needed) << what;
        }
        // Pairs clear of each other in the template stay clear; group boxes keep what they held.
        for (int a = 0; a < dialog.itemCount; ++a) {
            const DialogItem& first = dialog.items[a];
            const QRect drawnA = units.rect(first.x, first.y, first.width, first.height);
            const bool boxA = qobject_cast<QGroupBox*>(shown[a]) != nullptr;
            for (int b = 0; b < dialog.itemCount; ++b) {
                const DialogItem& second = dialog.items[b];
                const QRect drawnB = units.rect(second.x, second.y, second.width, second.height);
                const bool boxB = qobject_cast<QGroupBox*>(shown[b]) != nullptr;
                if (a == b || boxA) {
                    continue;
                }
                const std::string pair =
                    std::string("\"") + first.text + "\" and \"" + second.text + "\"";
                if (boxB) {
                    if (drawnB.contains(drawnA)) {
                        EXPECT_TRUE(shown[b]->geometry().contains(shown[a]->geometry())) << pair;
                    }
                } else if (a < b && !drawnA.intersects(drawnB)) {
                    EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry())) << pair;
                }
            }
        }
    }
}

TEST_F(QtWindowServicesTest, ConnectionWindowStaysOnTopAndUnknownTemplatesFail) {
    const WindowHandle window = services.createDialog("CONNECTIONWINZR8", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(services.widget(window)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(services.findWindow("CONNECTIONWINZR8"), window);
    EXPECT_EQ(services.createDialog("NOSUCHTEMPLATE", nullptr), nullptr);

    QtWindowServices noClasses;
    EXPECT_EQ(noClasses.createDialog("SERIALWINZR8", nullptr), nullptr)
        << "a template whose class is not registered cannot be made";
}

TEST_F(QtWindowServicesTest, MarksAreSetByTheProgramOnly) {
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    services.showWindow(window, ShowCommand::Show);
    auto* box = control<QCheckBox>(window, 2204);
    auto* red = control<QRadioButton>(window, 2306);
    received.clear();
    box->click();
    red->click();
    EXPECT_FALSE(box->isChecked()) << "a click reports the command and leaves the mark";
    EXPECT_FALSE(red->isChecked());
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].kind, MessageKind::Command);
    EXPECT_EQ(received[0].controlId, 2204);
    EXPECT_EQ(received[1].controlId, 2306);

    services.checkButton(window, 2204, true);
    EXPECT_TRUE(box->isChecked());
    services.checkRadioButton(window, 2305, 2307, 2306);
    EXPECT_TRUE(red->isChecked());
    EXPECT_FALSE(control<QRadioButton>(window, 2305)->isChecked());
    services.checkRadioButton(window, 2305, 2307, 2307);
    EXPECT_FALSE(red->isChecked());
    EXPECT_TRUE(control<QRadioButton>(window, 2307)->isChecked());
}

TEST_F(QtWindowServicesTest, PicturesTextsListsAndBars) {
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    const BitmapHandle switchOff = services.loadBitmap("BILD1");
    const BitmapHandle dial = services.loadBitmap("BILD24");
    ASSERT_NE(switchOff, nullptr);
    EXPECT_EQ(services.loadBitmap("BILD99"), nullptr);
    services.setItemImage(window, 2000, switchOff);
    EXPECT_EQ(control<QLabel>(window, 2000)->pixmap().size(), QSize(22, 43));
    EXPECT_EQ(control<QLabel>(window, 2000)->size(), QSize(22, 43))
        << "a picture shows at its own size, not the control's";
    services.setItemImage(window, 2200, dial);
    EXPECT_EQ(control<QLabel>(window, 2200)->pixmap().size(), QSize(34, 34));
    services.setItemImage(window, 2200, nullptr);
    EXPECT_TRUE(control<QLabel>(window, 2200)->pixmap().isNull());

    services.setItemText(window, 2201, "25");
    EXPECT_EQ(control<QLabel>(window, 2201)->text(), "25");

    services.listAddString(window, 1003, "v3  -  ORVAN ZR8 Trim Modul");
    services.listAddString(window, 1003, "v1  -  Unknown I2C Device");
    services.listDeleteString(window, 1003, 0);
    services.listDeleteString(window, 1003, 5);
    auto* list = control<QListWidget>(window, 1003);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "v1  -  Unknown I2C Device");
    EXPECT_EQ(services.listCurrentSelection(window, 1003), -1);
    received.clear();
    list->setCurrentRow(0);
    EXPECT_EQ(services.listCurrentSelection(window, 1003), 0);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().controlId, 1003);
    EXPECT_EQ(received.back().notification, kListSelectionChanged);

    services.setProgressRange(window, 2506, 0, 127);
    services.setProgressPosition(window, 2506, 64);
    EXPECT_EQ(control<QProgressBar>(window, 2506)->value(), 64);
    services.setProgressPosition(window, 2506, 149);
    EXPECT_EQ(control<QProgressBar>(window, 2506)->value(), 127) << "beyond the range: full";

    services.enableItem(window, 1001, false);
    EXPECT_FALSE(services.controlWidget(window, 1001)->isEnabled());
}

TEST_F(QtWindowServicesTest, DestroyRunsItsHandlingAtOnceAndStopsItsTimers) {
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    services.setTimer(window, 1, 5);
    ASSERT_TRUE(waitUntil([] { return countOf(MessageKind::Timer) >= 3; }, 2000))
        << "timer 1 keeps firing";
    services.destroyWindow(window);
    ASSERT_EQ(received.back().kind, MessageKind::Destroy) << "before destroyWindow returns";
    const int ticks = countOf(MessageKind::Timer);
    runEventsFor(50);
    EXPECT_EQ(countOf(MessageKind::Timer), ticks) << "no timer message after the destroy";
    EXPECT_EQ(services.widget(window), nullptr);
    EXPECT_EQ(services.findWindow("SERIALWINZR8"), nullptr);
    services.destroyWindow(window);  // a second destroy is harmless
}

TEST(QtWindowServicesLifetime, ARedrawQueuedByAPaintComesToNothingOnceItsWindowIsDestroyed) {
    // A destroyed window is deleted later; the redraw its last paint queued must not reach the
    // services, which may be gone by then (a second program run in the same process).
    received.clear();
    {
        QtWindowServices services;
        installWindowServices(&services);
        services.registerWindowClass("SERIALWINZR8", recordingProcedure);
        const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
        services.showWindow(window, ShowCommand::Show);
        QWidget* widget = services.widget(window);
        ASSERT_TRUE(waitUntil([widget] { return widget->windowHandle()->isExposed(); }, 2000));
        QCoreApplication::processEvents();
        const std::size_t before = received.size();
        widget->repaint();  // queues the redraw that follows a paint
        services.destroyWindow(window);
        ASSERT_EQ(received.size(), before + 1) << "only the Destroy message";
        installWindowServices(nullptr);
    }
    const std::size_t gone = received.size();
    runEventsFor(50);
    EXPECT_EQ(received.size(), gone);
}

TEST_F(QtWindowServicesTest, KilledTimerStopsAndTimerIdsStaySeparate) {
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    services.setTimer(window, 1, 5);
    services.setTimer(window, 2, 5000);
    ASSERT_TRUE(waitUntil([] { return countOf(MessageKind::Timer) >= 2; }, 2000));
    for (const WindowMessage& message : received) {
        if (message.kind == MessageKind::Timer) {
            EXPECT_EQ(message.timerId, 1);
        }
    }
    services.killTimer(window, 1);
    const int ticks = countOf(MessageKind::Timer);
    runEventsFor(40);
    EXPECT_EQ(countOf(MessageKind::Timer), ticks);
}

TEST_F(QtWindowServicesTest, QuitBeforeTheLoopEndsItAtOnceAndInsideTheLoopAfterTheMessage) {
    {
        QtWindowServices early;
        early.postQuit(0);
        EXPECT_EQ(early.runMessageLoop(), 0);
    }
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    services.setTimer(window, 1, 5);
    QTimer::singleShot(20, [this] { services.postQuit(0); });
    EXPECT_EQ(services.runMessageLoop(), 0);
    EXPECT_TRUE(services.quitRequested());
    EXPECT_NE(services.widget(window), nullptr) << "the loop leaves the window to its owner";
}

TEST_F(QtWindowServicesTest, PaintReachesTheProcedureWhenShown) {
    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    services.showWindow(window, ShowCommand::Show);
    services.updateWindow(window);
    // The full redraw follows the paint at once, outside it.
    EXPECT_TRUE(waitUntil([] { return countOf(MessageKind::Paint) >= 1; }, 2000));
    services.setWindowPosition(window, 15, 15);
    EXPECT_EQ(services.widget(window)->pos(), QPoint(15, 15));
    services.setWindowText(window, "ORVAN ZR8 Test Tool - COMM - COM5");
    EXPECT_EQ(services.widget(window)->windowTitle(), "ORVAN ZR8 Test Tool - COMM - COM5");
}

}  // namespace

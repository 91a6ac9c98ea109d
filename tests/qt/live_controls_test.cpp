// The controls the program writes to while the panel talks paint themselves alone, opaque over
// a kept copy of what lies beneath them, and the module list keeps its rows: what reaches the
// screen must be what the stock widgets show, after every change.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "app/qt/live_controls.h"
#include "app/qt/qt_window_services.h"
#include "tests/qt/qt_wait.h"

namespace {

int ignoreMessages(WindowHandle, const WindowMessage&) {
    return 1;
}

// Lets the window show and paint everything it has been asked to.
void settle(QWidget* top) {
    ASSERT_TRUE(waitUntil(
        [top] { return top->windowHandle() != nullptr && top->windowHandle()->isExposed(); },
        2000));
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

// What the window's backing store holds in area: what the platform puts on the screen.
QImage onScreen(QWidget* top, const QRect& area) {
    return top->screen()
        ->grabWindow(top->winId(), area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return 256;
    }
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

// A stock widget that shows what the live one should: same kind, place and settings.
std::unique_ptr<QWidget> stockTwin(QWidget* live) {
    std::unique_ptr<QWidget> twin;
    if (auto* bar = qobject_cast<QProgressBar*>(live)) {
        auto stock = std::make_unique<QProgressBar>(live->parentWidget());
        stock->setOrientation(bar->orientation());
        stock->setTextVisible(bar->isTextVisible());
        stock->setRange(bar->minimum(), bar->maximum());
        stock->setValue(bar->value());
        twin = std::move(stock);
    } else if (auto* label = qobject_cast<QLabel*>(live)) {
        auto stock = std::make_unique<QLabel>(live->parentWidget());
        stock->setFrameStyle(label->frameStyle());
        stock->setAlignment(label->alignment());
        stock->setTextFormat(label->textFormat());
        if (label->pixmap().isNull()) {
            stock->setText(label->text());
        } else {
            stock->setPixmap(label->pixmap());
        }
        twin = std::move(stock);
    }
    twin->setGeometry(live->geometry());
    return twin;
}

class LiveControlsTest : public ::testing::Test {
  protected:
    LiveControlsTest() {
        installWindowServices(&services);
        services.registerWindowClass("SERIALWINZR8", ignoreMessages);
        window = services.createDialog("SERIALWINZR8", nullptr);
        top = services.widget(window);
        for (int bar = 2506; bar <= 2511; ++bar) {
            services.setProgressRange(window, bar, 0, 127);
        }
        services.showWindow(window, ShowCommand::Show);
    }
    ~LiveControlsTest() override { installWindowServices(nullptr); }

    QWidget* control(int id) const { return services.controlWidget(window, id); }

    QtWindowServices services;
    WindowHandle window = nullptr;
    QWidget* top = nullptr;
};

TEST_F(LiveControlsTest, ControlsShowWhatStockWidgetsShowOverWhatLiesBeneath) {
    const BitmapHandle dialAt0 = services.loadBitmap("BILD24");
    const BitmapHandle dialAt1 = services.loadBitmap("BILD25");
    // Each control is set to the first state, then changed to the second while shown: it
    // repaints alone, over the copy it keeps of what lies beneath it.
    struct Case {
        int id;
        const char* first;  // texts, or null for a bar or a picture
        const char* second;
        int firstPosition;
        int secondPosition;
    };
    const Case cases[] = {
        {2506, nullptr, nullptr, 64, 2},   {2507, nullptr, nullptr, 0, 1},
        {2508, nullptr, nullptr, 1, 64},   {2509, nullptr, nullptr, 64, 126},
        {2511, nullptr, nullptr, 64, 127}, {2500, "-", "63.4", 0, 0},
        {2201, "7", "-12", 0, 0},          {1002, "133", "17A-3-5", 0, 0},
        {2200, nullptr, nullptr, 0, 1},
    };
    const auto set = [this, dialAt0, dialAt1](int id, const char* text, int position) {
        if (qobject_cast<QProgressBar*>(control(id)) != nullptr) {
            services.setProgressPosition(window, id, position);
        } else if (text != nullptr) {
            services.setItemText(window, id, text);
        } else {
            services.setItemImage(window, id, position == 0 ? dialAt0 : dialAt1);
        }
    };
    for (const Case& c : cases) {
        QWidget* live = control(c.id);
        set(c.id, c.first, c.firstPosition);
        settle(top);
        const QRect area = live->geometry();
        live->hide();
        settle(top);
        const QImage beneath = onScreen(top, area);
        live->show();
        settle(top);
        set(c.id, c.second, c.secondPosition);
        settle(top);
        ASSERT_EQ(live->geometry(), area) << c.id;
        QImage expected = beneath;
        QPainter painter(&expected);
        stockTwin(live)->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        // A bar's picture is blended onto what lies beneath in one go, the stock bar's stroke by
        // stroke: the edges may round apart by a step or two. Everything else is exact.
        const bool bar = qobject_cast<QProgressBar*>(live) != nullptr;
        EXPECT_LE(largestDifference(onScreen(top, area), expected), bar ? 2 : 0) << c.id;
    }
}

// An empty bar shows nothing along its length (the stock style draws a line at the start of an
// empty bar's contents, which reads as a small value); one step up shows at its start.
TEST_F(LiveControlsTest, ABarAtZeroLooksEmpty) {
    QWidget* bar = control(2506);
    const auto rowsLikeTheMiddle = [&] {
        const QImage shown = onScreen(top, bar->geometry());
        const int middle = shown.height() / 2;
        int alike = 0;
        int inner = 0;
        for (int y = 3; y < shown.height() - 3; ++y, ++inner) {
            bool same = true;
            for (int x = 3; x < shown.width() - 3; ++x) {
                same = same && shown.pixel(x, y) == shown.pixel(x, middle);
            }
            alike += same ? 1 : 0;
        }
        return std::make_pair(alike, inner);
    };
    for (const int from : {64, 1, 127}) {
        services.setProgressPosition(window, 2506, from);
        settle(top);
        services.setProgressPosition(window, 2506, 0);
        settle(top);
        const auto [alike, inner] = rowsLikeTheMiddle();
        EXPECT_EQ(alike, inner) << "the bar at 0, after " << from;
    }
    services.setProgressPosition(window, 2506, 3);
    settle(top);
    const auto [alike, inner] = rowsLikeTheMiddle();
    EXPECT_LT(alike, inner) << "three steps show at the start of the bar";
}

TEST_F(LiveControlsTest, EveryStepOfABarReachesTheScreen) {
    struct Step {
        int from;
        int to;
    };
    // The stock bar repainted only steps it deemed wide enough to see: a lever moved a step at
    // a time stayed where it was drawn last.
    const Step steps[] = {{64, 65}, {65, 64}, {0, 1}, {126, 127}, {127, 120}, {10, 50}};
    QWidget* bar = control(2506);
    for (const Step& step : steps) {
        services.setProgressPosition(window, 2506, step.from);
        settle(top);
        services.setProgressPosition(window, 2506, step.to);
        settle(top);
        const QImage fresh =
            top->grab(bar->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(largestDifference(onScreen(top, bar->geometry()), fresh), 0)
            << step.from << " to " << step.to;
    }
}

TEST_F(LiveControlsTest, AChangeIsPaintedByTheNextPassOfTheEventLoop) {
    // What the latency figures count on: no change waits for a later tick to be painted.
    settle(top);
    services.setItemText(window, 2201, "42");
    services.setProgressPosition(window, 2506, 99);
    QCoreApplication::sendPostedEvents();
    for (int id : {2201, 2506}) {
        const QRect area = control(id)->geometry();
        const QImage fresh = top->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(largestDifference(onScreen(top, area), fresh), 0) << id;
    }
}

// Counts the paints of the widgets it watches.
class PaintCounter : public QObject {
  public:
    std::map<QObject*, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints[watched];
        }
        return false;
    }
};

TEST_F(LiveControlsTest, AChangeRepaintsTheControlAloneNotTheWindowAroundIt) {
    // Painting the window and the group box under every changed control made the window
    // thread five times as busy at full line rate.
    const BitmapHandle off = services.loadBitmap("BILD2");
    const BitmapHandle lit = services.loadBitmap("BILD3");
    services.setItemImage(window, 2000, off);  // the control takes the picture's size once
    settle(top);
    PaintCounter counter;
    top->installEventFilter(&counter);
    for (QGroupBox* box : top->findChildren<QGroupBox*>()) {
        box->installEventFilter(&counter);
    }
    for (int id : {2506, 2500, 2000, 1002}) {
        control(id)->installEventFilter(&counter);
    }
    services.setProgressPosition(window, 2506, 70);
    services.setItemText(window, 2500, "55.1");
    services.setItemImage(window, 2000, lit);
    services.setItemText(window, 1002, "1234");
    settle(top);
    for (int id : {2506, 2500, 2000, 1002}) {
        EXPECT_EQ(counter.paints[control(id)], 1) << id;
    }
    EXPECT_EQ(counter.paints.size(), 4u) << "the window or a group box was painted too";
}

TEST_F(LiveControlsTest, ModuleRowsAreDrawnAsTheStockDelegateDrawsThem) {
    auto* list = qobject_cast<QListWidget*>(control(1003));
    ASSERT_NE(list, nullptr);
    const auto rows = [this](int version) {
        for (int type = 0; type < 12; ++type) {
            const std::string line = "v" + std::to_string((type + version) % 5) +
                                     "  -  ORVAN ZR8 Modul " + std::to_string(type);
            services.listAddString(window, 1003, line.c_str());
        }
    };
    rows(1);
    list->setCurrentRow(1);
    settle(top);
    const QRect area = list->geometry();
    const QImage firstDrawn = onScreen(top, area);
    // Rebuilt whole with the same rows, as the registry does when a row further down changes:
    // the kept rows are copied.
    for (int row = 0; row < 12; ++row) {
        services.listDeleteString(window, 1003, 0);
    }
    rows(1);
    list->setCurrentRow(2);  // row 1 now shows unselected, row 2 selected
    settle(top);
    const QImage copied = onScreen(top, area);

    list->setItemDelegate(new QStyledItemDelegate(list));
    settle(top);
    EXPECT_EQ(largestDifference(copied, onScreen(top, area)), 0);
    list->setCurrentRow(1);
    settle(top);
    EXPECT_EQ(largestDifference(firstDrawn, onScreen(top, area)), 0);
}

// Two windows side by side: live labels and stock ones, on a group box. The upper label lies
// partly over the lower one; the third lies apart.
class LabelPairTest : public ::testing::Test {
  protected:
    struct Window {
        QWidget top;
        QGroupBox box{QStringLiteral("Trim - Panel"), &top};
        QLabel* lower = nullptr;
        QLabel* upper = nullptr;
        QLabel* apart = nullptr;

        template <typename Label>
        void build() {
            top.resize(260, 110);
            box.setGeometry(5, 5, 210, 100);
            lower = new Label(&top);
            upper = new Label(&top);
            apart = new Label(&top);
            for (QLabel* label : {lower, upper, apart}) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            }
            lower->setGeometry(20, 30, 60, 18);
            upper->setGeometry(50, 36, 60, 18);
            apart->setGeometry(30, 75, 50, 18);
            lower->setText(QStringLiteral("lower"));
            upper->setText(QStringLiteral("upper"));
            apart->setText(QStringLiteral("apart"));
            top.show();
        }
    };

    LabelPairTest() {
        live.build<LiveLabel>();
        stock.build<QLabel>();
    }

    void expectAlike(const char* what) {
        settle(&live.top);
        settle(&stock.top);
        const QRect all = live.top.rect();
        EXPECT_EQ(largestDifference(onScreen(&live.top, all), onScreen(&stock.top, all)), 0)
            << what;
    }

    Window live;
    Window stock;
};

TEST_F(LabelPairTest, LabelsShowWhatStockLabelsShowAfterEveryChange) {
    expectAlike("shown");
    for (Window* window : {&live, &stock}) {
        window->lower->setText(QStringLiteral("LOWER 17"));
    }
    expectAlike("text under another label changed");
    for (Window* window : {&live, &stock}) {
        window->apart->move(190, 50);  // across the group box's edge
        window->apart->setText(QStringLiteral("moved"));
    }
    expectAlike("moved across the group box's edge");
    for (Window* window : {&live, &stock}) {
        QPalette palette = window->top.palette();
        palette.setColor(QPalette::Window, QColor(200, 220, 240));
        window->top.setPalette(palette);
        window->apart->setText(QStringLiteral("tinted"));
    }
    expectAlike("window colour changed");
}

}  // namespace

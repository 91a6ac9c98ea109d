// Qt: builds a dialog template's window and controls, and reports clicks and paints.
#include "app/qt/dialog_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstring>

#include "app/qt/backdrop.h"
#include "app/qt/dialog_units.h"
#include "app/qt/kept_rows_delegate.h"
#include "app/qt/list_box.h"
#include "app/qt/live_controls.h"
#include "ui/dialog_styles.h"
#include "ui/text_fit.h"
#include "ui/widest_readouts.h"

namespace {

// Check boxes and radio buttons whose mark only the program sets: a click reports the command
// and leaves the mark alone.
class ProgramCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void nextCheckState() override {}
};

class ProgramRadioButton : public QRadioButton {
  public:
    using QRadioButton::QRadioButton;

  protected:
    void nextCheckState() override {}
};

QString controlText(const char* text) {
    return QString::fromLatin1(text);
}

// The desktop's sans-serif face runs wider than the one the layout was drawn for: a text that
// would be clipped grows its box sideways (see text_fit.h) rather than losing letters. A
// read-out makes room for the widest value it can be given, with its frame.
void widenToFit(QWidget* widget, const DialogItem& item) {
    int needed = 0;
    bool isStatic = false;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        const char* widest = widestReadoutText(item.id);
        if ((item.style & kSsTypeMask) == kSsBitmap ||
            (label->text().isEmpty() && widest == nullptr)) {
            return;
        }
        const QFontMetrics metrics = label->fontMetrics();
        needed = metrics.horizontalAdvance(label->text());
        if (widest != nullptr) {
            needed = std::max(needed, metrics.horizontalAdvance(QString::fromLatin1(widest)));
        }
        needed += 2 * label->frameWidth() + 2;
        isStatic = true;
    } else if (qobject_cast<QCheckBox*>(widget) != nullptr ||
               qobject_cast<QRadioButton*>(widget) != nullptr) {
        needed = widget->sizeHint().width();
    } else {
        return;
    }
    QRect area = widget->geometry();
    const Span span = spanToFit(Span{area.x(), area.width()}, needed, item.style, isStatic);
    area.setX(span.left);
    area.setWidth(span.width);
    widget->setGeometry(area);
}

Qt::Alignment staticAlignment(std::uint32_t style) {
    switch (style & kSsTypeMask) {
        case kSsCenter:
            return Qt::AlignHCenter | Qt::AlignTop;
        case kSsRight:
            return Qt::AlignRight | Qt::AlignTop;
        default:
            return Qt::AlignLeft | Qt::AlignTop;
    }
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& dialog, QWidget* owner,
                           std::function<void(int, int)> onCommand, std::function<void()> onPaint,
                           std::function<void()> onClose)
    : QWidget(owner, Qt::Window),
      dialog_(dialog),
      onCommand_(std::move(onCommand)),
      onPaint_(std::move(onPaint)),
      onClose_(std::move(onClose)) {
    // A caption without a system menu: Qt asks the window manager for a title bar without the
    // close, minimize and maximize functions. Some managers (openbox) draw the boxes all the
    // same; their close destroys the window, as it would under Windows.
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((dialog.style & kWsSysMenu) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if ((dialog.style & kDsSysModal) != 0) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    setWindowFlags(flags);
    setWindowTitle(controlText(dialog.title));
    setFont(dialogFont(dialog.fontName, dialog.fontPointSize));
    const DialogUnits units = dialogUnitsFor(font());
    setFixedSize(units.x(dialog.width), units.y(dialog.height));
}

void DialogWindow::createControls() {
    const DialogUnits units = dialogUnitsFor(font());
    for (int i = 0; i < dialog_.itemCount; ++i) {
        const DialogItem& item = dialog_.items[i];
        QWidget* widget = makeControl(item);
        if (widget == nullptr) {
            continue;
        }
        widget->setGeometry(units.rect(item.x, item.y, item.width, item.height));
        widenToFit(widget, item);
        if (dynamic_cast<LiveLabel*>(widget) != nullptr) {
            // A label whose size is fixed does not ask its window to lay out again with every
            // text the program sets (each such request costs the loop a wake-up).
            widget->setFixedSize(widget->size());
        }
        widget->setVisible((item.style & kWsVisible) != 0);
        if (item.id != -1) {
            controls_[item.id] = widget;
        }
    }
}

QWidget* DialogWindow::makeControl(const DialogItem& item) {
    const int id = item.id;
    const QString text = controlText(item.text);
    if (std::strcmp(item.windowClass, kButtonClass) == 0) {
        QAbstractButton* button = nullptr;
        switch (item.style & kBsTypeMask) {
            case kBsGroupBox:
                return new QGroupBox(text, this);
            case kBsCheckBox:
                button = new ProgramCheckBox(text, this);
                break;
            case kBsRadioButton:
                button = new ProgramRadioButton(text, this);
                static_cast<QRadioButton*>(button)->setAutoExclusive(false);
                break;
            default:
                button = new QPushButton(text, this);
                break;
        }
        button->setFocusPolicy((item.style & kWsTabStop) != 0 ? Qt::StrongFocus : Qt::NoFocus);
        QObject::connect(button, &QAbstractButton::clicked, this,
                         [this, id] { onCommand_(id, 0); });
        return button;
    }
    if (std::strcmp(item.windowClass, kStaticClass) == 0) {
        // A static control with an id is one the program writes to; the others never change.
        auto* label = id != -1 ? new LiveLabel(this) : new QLabel(this);
        if ((item.style & kSsTypeMask) == kSsBitmap) {
            // Empty until a picture is set; a picture shows at its own size.
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        } else {
            label->setText(text);
            label->setAlignment(staticAlignment(item.style));
            label->setTextFormat(Qt::PlainText);
        }
        if ((item.style & kSsSunken) != 0) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        return label;
    }
    if (std::strcmp(item.windowClass, kListBoxClass) == 0) {
        auto* list = new ListBox(this, (item.style & kLbsNotify) != 0,
                                 [this, id](int notification) { onCommand_(id, notification); });
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list->setItemDelegate(new KeptRowsDelegate(list));
        return list;
    }
    if (std::strcmp(item.windowClass, kProgressBarClass) == 0) {
        auto* bar = new LiveProgressBar(this);
        bar->setOrientation((item.style & kPbsVertical) != 0 ? Qt::Vertical : Qt::Horizontal);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    return nullptr;
}

QWidget* DialogWindow::control(int id) const {
    auto found = controls_.find(id);
    return found != controls_.end() ? found->second : nullptr;
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (Backdrop::rendering()) {
        return;  // a control copying what lies beneath it: nothing on the screen was painted
    }
    // The full redraw runs just after this paint, not inside it: a stock bar given a value
    // repaints itself at once, which Qt refuses during a paint.
    // Paints that come before it has run share one redraw.
    if (redrawPending_) {
        return;
    }
    redrawPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            redrawPending_ = false;
            onPaint_();
        },
        Qt::QueuedConnection);
}

void DialogWindow::detach() {
    onCommand_ = [](int, int) {};
    onPaint_ = [] {};
    onClose_ = [] {};
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The desktop's close (its button, Alt+F4, even where no close box is drawn) destroys the
    // window, as Windows does; the services hide it and delete it later themselves.
    event->ignore();
    onClose_();
}

// Qt: window services over Qt Widgets, with the message semantics the core relies on.
#include "app/qt/qt_window_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/qt/dialog_window.h"
#include "app/qt/list_box.h"
#include "app/qt/single_instance.h"
#include "embedded_pictures.h"
#include "ui/dialog_template.h"

const WindowHandle kOtherProcessWindow = reinterpret_cast<WindowHandle>(~std::uintptr_t{0});

namespace {

QString latin1(const char* text) {
    return QString::fromLatin1(text != nullptr ? text : "");
}

}  // namespace

QtWindowServices::QtWindowServices(SingleInstance* instance) : instance_(instance) {}

QtWindowServices::~QtWindowServices() {
    for (auto& [handle, window] : windows_) {
        for (auto& [id, timer] : window.timers) {
            delete timer;
        }
        delete window.widget.data();
    }
}

QtWindowServices::Window* QtWindowServices::find(WindowHandle window) {
    auto found = windows_.find(window);
    return found != windows_.end() ? &found->second : nullptr;
}

const QtWindowServices::Window* QtWindowServices::find(WindowHandle window) const {
    auto found = windows_.find(window);
    return found != windows_.end() ? &found->second : nullptr;
}

void QtWindowServices::deliver(WindowHandle window, const WindowMessage& message) {
    const Window* target = find(window);
    if (target != nullptr && target->procedure != nullptr) {
        target->procedure(window, message);
    }
}

int QtWindowServices::registerWindowClass(const char* className, WindowProcedure procedure) {
    classes_[className] = procedure;
    return 1;
}

WindowHandle QtWindowServices::createDialog(const char* templateName, WindowHandle owner) {
    const DialogTemplate* dialog = findDialogTemplate(templateName);
    if (dialog == nullptr) {
        return nullptr;
    }
    const WindowHandle handle = reinterpret_cast<WindowHandle>(nextWindow_++);
    Window& window = windows_[handle];
    if (dialog->windowClass != nullptr) {
        auto found = classes_.find(dialog->windowClass);
        if (found == classes_.end()) {
            windows_.erase(handle);
            return nullptr;  // a template whose class is not registered cannot be made
        }
        window.className = dialog->windowClass;
        window.procedure = found->second;
    }
    const Window* ownerWindow = find(owner);
    QWidget* ownerWidget = ownerWindow != nullptr ? ownerWindow->widget.data() : nullptr;
    window.widget = new DialogWindow(
        *dialog, ownerWidget,
        [this, handle](int id, int notification) {
            deliver(handle, WindowMessage{MessageKind::Command, 0, id, notification});
        },
        [this, handle] {
            deliver(handle, WindowMessage{MessageKind::Paint, 0, 0, 0});
        },
        [this, handle] { destroyWindow(handle); });
    window.widget->move(0, 0);
    if (!QApplication::windowIcon().isNull()) {
        window.widget->setWindowIcon(QApplication::windowIcon());
    }
    // As under Windows: the window's create message comes before the dialog's controls exist.
    deliver(handle, WindowMessage{MessageKind::Create, 0, 0, 0});
    if (Window* made = find(handle); made != nullptr && made->widget != nullptr) {
        made->widget->createControls();
    }
    return handle;
}

void QtWindowServices::destroyWindow(WindowHandle window) {
    auto found = windows_.find(window);
    if (found == windows_.end()) {
        return;
    }
    Window gone = std::move(found->second);
    windows_.erase(found);
    // No timer message may reach a window that is being destroyed.
    for (auto& [id, timer] : gone.timers) {
        timer->stop();
        timer->deleteLater();
    }
    if (gone.procedure != nullptr) {
        gone.procedure(window, WindowMessage{MessageKind::Destroy, 0, 0, 0});
    }
    if (DialogWindow* widget = gone.widget.data()) {
        // The click that led here may still be on the stack inside this window: delete later,
        // and let nothing it queued reach these services meanwhile.
        widget->detach();
        widget->hide();
        widget->deleteLater();
    }
}

void QtWindowServices::showWindow(WindowHandle window, ShowCommand command) {
    if (window == kOtherProcessWindow) {
        if (instance_ != nullptr) {
            instance_->askToRaise();
        }
        return;
    }
    const Window* target = find(window);
    if (target == nullptr || target->widget == nullptr) {
        return;
    }
    if (command == ShowCommand::Restore) {
        target->widget->showNormal();
    } else {
        target->widget->show();
    }
}

void QtWindowServices::updateWindow(WindowHandle window) {
    const Window* target = find(window);
    if (target == nullptr || target->widget == nullptr) {
        return;
    }
    // Painted now, before whatever the caller does next (the scan notice before the scan).
    target->widget->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtWindowServices::setWindowPosition(WindowHandle window, int x, int y) {
    const Window* target = find(window);
    if (target != nullptr && target->widget != nullptr) {
        target->widget->move(x, y);
    }
}

void QtWindowServices::setWindowText(WindowHandle window, const char* text) {
    const Window* target = find(window);
    if (target != nullptr && target->widget != nullptr) {
        target->widget->setWindowTitle(latin1(text));
    }
}

WindowHandle QtWindowServices::findWindow(const char* className) {
    if (WindowHandle own = windowOfClass(className)) {
        return own;
    }
    // Another copy of the tool runs in another process when its instance server answers.
    if (instance_ != nullptr && instance_->otherCopyRuns()) {
        return kOtherProcessWindow;
    }
    return nullptr;
}

bool QtWindowServices::isIconic(WindowHandle window) {
    if (window == kOtherProcessWindow) {
        return false;  // the other copy restores and raises itself when asked to come forward
    }
    const Window* target = find(window);
    return target != nullptr && target->widget != nullptr && target->widget->isMinimized();
}

void QtWindowServices::setForegroundWindow(WindowHandle window) {
    if (window == kOtherProcessWindow) {
        if (instance_ != nullptr) {
            instance_->askToRaise();
        }
        return;
    }
    const Window* target = find(window);
    if (target != nullptr && target->widget != nullptr) {
        target->widget->raise();
        target->widget->activateWindow();
    }
}

int QtWindowServices::runMessageLoop() {
    if (quitRequested_) {
        return exitCode_;  // asked before the loop started: it ends at once
    }
    return QApplication::exec();
}

void QtWindowServices::postQuit(int exitCode) {
    if (!quitRequested_) {
        quitRequested_ = true;
        exitCode_ = exitCode;
    }
    // The loop ends once the message being handled now is done.
    QCoreApplication::exit(exitCode_);
}

void QtWindowServices::setItemText(WindowHandle window, int controlId, const char* text) {
    QWidget* control = controlWidget(window, controlId);
    const QString value = latin1(text);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->text() != value) {
            label->setText(value);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(value);
    }
}

void QtWindowServices::setItemImage(WindowHandle window, int controlId, BitmapHandle bitmap) {
    Window* target = find(window);
    auto* label = qobject_cast<QLabel*>(controlWidget(window, controlId));
    if (target == nullptr || label == nullptr) {
        return;
    }
    auto shown = target->pictures.find(controlId);
    if (shown != target->pictures.end() && shown->second == bitmap) {
        return;  // a forced redraw of an unchanged picture costs nothing
    }
    target->pictures[controlId] = bitmap;
    const auto number = reinterpret_cast<std::uintptr_t>(bitmap);
    if (number == 0 || number > bitmaps_.size()) {
        label->clear();
        return;
    }
    const QPixmap& pixmap = bitmaps_[number - 1];
    // A picture shows at its own pixel size from the control's top-left corner (a fixed size:
    // the label asks its window for no layout with every picture).
    label->setFixedSize(pixmap.size());
    label->setPixmap(pixmap);
}

void QtWindowServices::listAddString(WindowHandle window, int controlId, const char* text) {
    if (auto* list = dynamic_cast<ListBox*>(controlWidget(window, controlId))) {
        list->addRow(latin1(text));
    }
}

void QtWindowServices::listDeleteString(WindowHandle window, int controlId, int row) {
    if (auto* list = dynamic_cast<ListBox*>(controlWidget(window, controlId))) {
        list->removeRow(row);
    }
}

int QtWindowServices::listCurrentSelection(WindowHandle window, int controlId) {
    auto* list = dynamic_cast<ListBox*>(controlWidget(window, controlId));
    return list != nullptr ? list->selectedRow() : -1;
}

void QtWindowServices::checkRadioButton(WindowHandle window, int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id) {
        if (auto* button = qobject_cast<QAbstractButton*>(controlWidget(window, id))) {
            button->setCheckable(true);
            button->setChecked(id == checkId);
        }
    }
}

void QtWindowServices::checkButton(WindowHandle window, int controlId, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(controlWidget(window, controlId))) {
        button->setCheckable(true);
        button->setChecked(checked);
    }
}

void QtWindowServices::enableItem(WindowHandle window, int controlId, bool enabled) {
    if (QWidget* control = controlWidget(window, controlId)) {
        control->setEnabled(enabled);
    }
}

void QtWindowServices::setProgressRange(WindowHandle window, int controlId, int low, int high) {
    if (auto* bar = qobject_cast<QProgressBar*>(controlWidget(window, controlId))) {
        bar->setRange(low, high);
    }
}

void QtWindowServices::setProgressPosition(WindowHandle window, int controlId, int position) {
    auto* bar = qobject_cast<QProgressBar*>(controlWidget(window, controlId));
    if (bar == nullptr) {
        return;
    }
    // A position beyond the range shows the bar full or empty, as on Windows.
    const int shown = std::clamp(position, bar->minimum(), bar->maximum());
    if (shown == bar->value()) {
        return;
    }
    // QProgressBar repaints at once, on its own, and only for a step its style deems wide
    // enough: a lever moved a step or two at a time stayed where it was drawn last. The bar is
    // repainted for every step, with the other controls of the same poll, just after it.
    bar->setUpdatesEnabled(false);
    bar->setValue(shown);
    bar->setUpdatesEnabled(true);  // schedules the repaint
}

void QtWindowServices::setTimer(WindowHandle window, int timerId, unsigned periodMs) {
    Window* target = find(window);
    if (target == nullptr) {
        return;
    }
    QTimer*& timer = target->timers[timerId];
    if (timer == nullptr) {
        timer = new QTimer();
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, [this, window, timerId] {
            deliver(window, WindowMessage{MessageKind::Timer, timerId, 0, 0});
        });
    }
    timer->start(static_cast<int>(periodMs));
}

void QtWindowServices::killTimer(WindowHandle window, int timerId) {
    Window* target = find(window);
    if (target == nullptr) {
        return;
    }
    auto found = target->timers.find(timerId);
    if (found != target->timers.end()) {
        found->second->stop();
        found->second->deleteLater();
        target->timers.erase(found);
    }
}

void QtWindowServices::messageBox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        return;  // nobody could close a box that nobody sees
    }
    QMessageBox::warning(nullptr, latin1(caption), latin1(text));
}

BitmapHandle QtWindowServices::loadBitmap(const char* name) {
    const EmbeddedPicture* pictures = embeddedPictures();
    for (int i = 0; i < kEmbeddedPictureCount; ++i) {
        if (std::strcmp(pictures[i].name, name) != 0) {
            continue;
        }
        QPixmap pixmap;
        if (!pixmap.loadFromData(pictures[i].bytes, pictures[i].size, "BMP")) {
            return nullptr;
        }
        bitmaps_.push_back(pixmap);
        return reinterpret_cast<BitmapHandle>(static_cast<std::uintptr_t>(bitmaps_.size()));
    }
    return nullptr;
}

QWidget* QtWindowServices::widget(WindowHandle window) const {
    const Window* target = find(window);
    return target != nullptr ? target->widget.data() : nullptr;
}

QWidget* QtWindowServices::controlWidget(WindowHandle window, int controlId) const {
    const Window* target = find(window);
    if (target == nullptr || target->widget == nullptr) {
        return nullptr;
    }
    return target->widget->control(controlId);
}

WindowHandle QtWindowServices::windowOfClass(const char* className) const {
    for (const auto& [handle, window] : windows_) {
        if (window.className == className) {
            return handle;
        }
    }
    return nullptr;
}

QWidget* QtWindowServices::frontWindow() const {
    QWidget* front = nullptr;
    for (const auto& [handle, window] : windows_) {
        if (window.widget != nullptr && !window.className.empty()) {
            front = window.widget.data();
        }
    }
    return front;
}

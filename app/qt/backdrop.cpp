// Qt: renders what lies beneath a control from its window and the controls under it.
#include "app/qt/backdrop.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <vector>

namespace {

int renderDepth = 0;

// The visible siblings under control (earlier in stacking order) that overlap it, bottom first.
std::vector<QWidget*> siblingsUnder(QWidget* control, QWidget* parent) {
    std::vector<QWidget*> under;
    for (QObject* child : parent->children()) {
        if (child == control) {
            break;
        }
        auto* sibling = qobject_cast<QWidget*>(child);
        if (sibling != nullptr && !sibling->isWindow() && sibling->isVisibleTo(parent) &&
            sibling->geometry().intersects(control->geometry())) {
            under.push_back(sibling);
        }
    }
    return under;
}

bool isOpaque(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

Backdrop::Backdrop(QWidget* control) : control_(control) {
    control_->setAttribute(Qt::WA_OpaquePaintEvent);
}

void Backdrop::follow(const QEvent* event) {
    switch (event->type()) {
        case QEvent::Polish:
            // Some styles (Fusion for bars) clear the mark when they polish a control.
            control_->setAttribute(Qt::WA_OpaquePaintEvent, opaque_);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ParentChange:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
        case QEvent::FontChange:
        case QEvent::EnabledChange:
        case QEvent::ActivationChange:
            pixmap_ = QPixmap();
            break;
        default:
            break;
    }
}

QPixmap Backdrop::underControl() {
    if (!opaque_) {
        return QPixmap();
    }
    const qreal ratio = control_->devicePixelRatioF();
    if (pixmap_.isNull() || pixmap_.devicePixelRatio() != ratio ||
        pixmap_.size() != control_->size() * ratio) {
        if (!render()) {
            opaque_ = false;
            control_->setAttribute(Qt::WA_OpaquePaintEvent, false);
            // Qt painted nothing beneath this paint: the next one has the window under it.
            QWidget* control = control_;
            QMetaObject::invokeMethod(
                control, [control] { control->update(); }, Qt::QueuedConnection);
            return QPixmap();
        }
    }
    return pixmap_;
}

bool Backdrop::render() {
    pixmap_ = QPixmap();
    QWidget* parent = control_->parentWidget();
    if (parent == nullptr || (!parent->isWindow() && !parent->autoFillBackground())) {
        return false;  // what shows through the parent lies further up: not rendered here
    }
    const std::vector<QWidget*> under = siblingsUnder(control_, parent);
    for (QWidget* sibling : under) {
        if (sibling->testAttribute(Qt::WA_OpaquePaintEvent)) {
            return false;
        }
    }
    const qreal ratio = control_->devicePixelRatioF();
    pixmap_ = QPixmap(control_->size() * ratio);
    pixmap_.setDevicePixelRatio(ratio);
    pixmap_.fill(Qt::transparent);
    const QRect area = control_->geometry();
    ++renderDepth;
    QPainter painter(&pixmap_);
    // The parent's background without its children, then each control under this one as Qt
    // paints them: bottom to top, each without a background of its own.
    parent->render(&painter, QPoint(), QRegion(area), QWidget::DrawWindowBackground);
    for (QWidget* sibling : under) {
        const QRect overlap = sibling->geometry() & area;
        sibling->render(&painter, overlap.topLeft() - area.topLeft(),
                        QRegion(overlap.translated(-sibling->pos())), QWidget::DrawChildren);
    }
    painter.end();
    --renderDepth;
    // Without a see-through pixel it is drawn as a plain copy instead of blended pixel by pixel.
    const QImage image = pixmap_.toImage();
    if (isOpaque(image)) {
        pixmap_ = QPixmap::fromImage(image.convertToFormat(QImage::Format_RGB32));
        pixmap_.setDevicePixelRatio(ratio);
    }
    return true;
}

bool Backdrop::rendering() {
    return renderDepth > 0;
}

// Qt: labels and bars that repaint alone, over a kept copy of what lies beneath them.
#include "app/qt/live_controls.h"

#include <QEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOptionProgressBar>

LiveLabel::LiveLabel(QWidget* parent) : QLabel(parent), backdrop_(this) {}

bool LiveLabel::event(QEvent* event) {
    const bool handled = QLabel::event(event);
    backdrop_.follow(event);  // after the style has polished the control
    return handled;
}

// A picture without see-through pixels that fills the whole label, as the indicator pictures
// do, leaves nothing of the backdrop to see.
bool LiveLabel::coveredByPicture() const {
    const QPixmap picture = pixmap();
    return !picture.isNull() && !picture.hasAlphaChannel() && isEnabled() && frameWidth() == 0 &&
           margin() == 0 &&
           (alignment() & (Qt::AlignLeft | Qt::AlignTop)) == (Qt::AlignLeft | Qt::AlignTop) &&
           !hasScaledContents() && picture.deviceIndependentSize().toSize() == size();
}

void LiveLabel::paintEvent(QPaintEvent* event) {
    if (coveredByPicture()) {
        // What the stock label draws for it, without a frame or text to lay out first.
        QPainter(this).drawPixmap(0, 0, pixmap());
        return;
    }
    const QPixmap under = backdrop_.underControl();
    if (!under.isNull()) {
        QPainter(this).drawPixmap(0, 0, under);
    }
    QLabel::paintEvent(event);
}

LiveProgressBar::LiveProgressBar(QWidget* parent) : QProgressBar(parent), backdrop_(this) {}

bool LiveProgressBar::event(QEvent* event) {
    const bool handled = QProgressBar::event(event);
    backdrop_.follow(event);  // after the style has polished the control
    return handled;
}

void LiveProgressBar::paintEvent(QPaintEvent* /*event*/) {
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const QPixmap under = backdrop_.underControl();
    // A busy bar is animated by the style: drawn afresh every time.
    const bool busy = option.minimum == option.maximum;
    const QPixmap bar = busy ? QPixmap() : styledBar(option);
    QPainter painter(this);
    if (!under.isNull()) {
        painter.drawPixmap(0, 0, under);
    }
    if (busy) {
        style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    } else {
        painter.drawPixmap(0, 0, bar);
    }
}

QPixmap LiveProgressBar::styledBar(const QStyleOptionProgressBar& option) {
    const qreal ratio = devicePixelRatioF();
    // Everything the style's picture depends on besides the position. Bars of the same size,
    // range and look share their pictures.
    const Look look{style(),
                    option.palette.cacheKey(),
                    static_cast<int>(option.state),
                    static_cast<int>(option.direction),
                    option.rect.size(),
                    ratio,
                    option.minimum,
                    option.maximum,
                    (option.invertedAppearance ? 1 : 0) | (option.bottomToTop ? 2 : 0) |
                        (option.textVisible ? 4 : 0)};
    if (lookKey_.isEmpty() || !(look == look_)) {
        look_ = look;
        lookKey_ =
            QString::asprintf(
                "zr8-bar:%p:%llx:%x:%d:%dx%d@%g:%d:%d:%d:", static_cast<const void*>(style()),
                static_cast<unsigned long long>(look.palette), static_cast<unsigned>(look.state),
                look.direction, look.size.width(), look.size.height(), ratio, look.minimum,
                look.maximum, look.flags) +
            style()->name() + QLatin1Char(':');
    }
    QString key = lookKey_ + QString::number(option.progress);
    if (option.textVisible) {
        key += QLatin1Char(':') + option.text + QLatin1Char(':') + font().key() + QLatin1Char(':') +
               QString::number(option.textAlignment.toInt());
    }
    QPixmap bar;
    if (QPixmapCache::find(key, &bar)) {
        return bar;
    }
    bar = QPixmap(option.rect.size() * ratio);
    bar.setDevicePixelRatio(ratio);
    bar.fill(Qt::transparent);
    QPainter painter(&bar);
    // What a painter on the widget itself starts with.
    painter.setPen(palette().color(foregroundRole()));
    painter.setBackground(palette().brush(backgroundRole()));
    painter.setFont(font());
    painter.setLayoutDirection(layoutDirection());
    if (option.progress <= option.minimum && !option.textVisible) {
        // The groove alone: the style draws an empty bar's contents as a line at its start,
        // which reads as a small value; an empty bar on Windows shows nothing.
        QStyleOptionProgressBar groove = option;
        groove.rect = style()->subElementRect(QStyle::SE_ProgressBarGroove, &option, this);
        style()->drawControl(QStyle::CE_ProgressBarGroove, &groove, &painter, this);
    } else {
        style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    }
    painter.end();
    QPixmapCache::insert(key, bar);
    return bar;
}

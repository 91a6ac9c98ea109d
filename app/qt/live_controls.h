// Qt: the controls the program writes to while the panel talks: pictures and read-outs
// (labels) and the power-quadrant bars. They paint themselves opaque over a kept copy of what
// lies beneath them, so that a change repaints the control alone instead of the window, the
// group box and every control that shares the changed area. They look as the stock widgets do.
#pragma once

#include <QLabel>
#include <QProgressBar>

#include "app/qt/backdrop.h"

class QStyleOptionProgressBar;

class LiveLabel : public QLabel {
  public:
    explicit LiveLabel(QWidget* parent);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool coveredByPicture() const;

    Backdrop backdrop_;
};

// The style draws each position of the bar once; later paints copy that picture. At its minimum
// the bar shows its groove alone, empty, as a Windows bar does.
class LiveProgressBar : public QProgressBar {
  public:
    explicit LiveProgressBar(QWidget* parent);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // What the style's picture of a position depends on besides the position.
    struct Look {
        const QStyle* style = nullptr;
        qint64 palette = 0;
        int state = 0;
        int direction = 0;
        QSize size;
        qreal ratio = 0;
        int minimum = 0;
        int maximum = 0;
        int flags = 0;
        bool operator==(const Look& other) const {
            return style == other.style && palette == other.palette && state == other.state &&
                   direction == other.direction && size == other.size && ratio == other.ratio &&
                   minimum == other.minimum && maximum == other.maximum && flags == other.flags;
        }
    };

    QPixmap styledBar(const QStyleOptionProgressBar& option);

    Backdrop backdrop_;
    Look look_;
    QString lookKey_;  // the cache key of the look, without the position
};

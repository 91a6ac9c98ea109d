// Qt: lets a control paint itself opaque over a kept copy of what lies beneath it, so that a
// change repaints the control alone and not the window and the group box around it.
#pragma once

#include <QPixmap>

class QEvent;
class QWidget;

class Backdrop {
  public:
    // Marks control as painting every one of its pixels.
    explicit Backdrop(QWidget* control);

    // To be called with every event of the control, once the control has handled it: forgets the
    // kept copy when the control moves or resizes or the look of the window changes (palette,
    // style, font, enabled or active state), and marks the control opaque again after a style has
    // polished it.
    void follow(const QEvent* event);

    // What the control paints first: the window's background and the controls under it (group
    // boxes, captions) as Qt would paint them there. Rendered when missing, then kept: the
    // controls under it are drawn once and do not change by themselves. Null when the control
    // paints as a stock widget, over what Qt paints beneath it: from the first paint that finds
    // another opaque control under it (that one may change, a kept copy would not). Taken
    // before a painter opens on the control: it renders other widgets.
    QPixmap underControl();

    // True while a backdrop is rendered: the window's own paint handling keeps out of it.
    static bool rendering();

  private:
    bool render();

    QWidget* control_;
    QPixmap pixmap_;
    bool opaque_ = true;
};

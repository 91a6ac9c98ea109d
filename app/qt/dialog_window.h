// Qt: a top-level window built from a dialog template, with its controls found by id.
#pragma once

#include <QWidget>
#include <functional>
#include <unordered_map>

#include "ui/dialog_template.h"

class QAbstractButton;

class DialogWindow : public QWidget {
  public:
    // onCommand(id, notification) for clicks and list events; onPaint for every paint; onClose
    // when the desktop closes the window (its close button, Alt+F4).
    // The window is made without its controls, as Windows sends its create message before the
    // dialog's controls exist: createControls makes them.
    DialogWindow(const DialogTemplate& dialog, QWidget* owner,
                 std::function<void(int, int)> onCommand, std::function<void()> onPaint,
                 std::function<void()> onClose);
    void createControls();

    QWidget* control(int id) const;
    const DialogTemplate& dialogTemplate() const { return dialog_; }
    // Reports nothing from now on, not even what is already queued: the window is being
    // destroyed and is deleted later.
    void detach();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* makeControl(const DialogItem& item);

    const DialogTemplate& dialog_;
    std::function<void(int, int)> onCommand_;
    std::function<void()> onPaint_;
    std::function<void()> onClose_;
    std::unordered_map<int, QWidget*> controls_;  // looked up for every control drawn
    bool redrawPending_ = false;
};

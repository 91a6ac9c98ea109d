// Qt: the window services of the Linux program, over Qt Widgets.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window_services.h"

class DialogWindow;
class QTimer;
class QWidget;
class SingleInstance;

class QtWindowServices : public WindowServices {
  public:
    explicit QtWindowServices(SingleInstance* instance = nullptr);
    ~QtWindowServices() override;

    int registerWindowClass(const char* className, WindowProcedure procedure) override;
    WindowHandle createDialog(const char* templateName, WindowHandle owner) override;
    void destroyWindow(WindowHandle window) override;
    void showWindow(WindowHandle window, ShowCommand command) override;
    void updateWindow(WindowHandle window) override;
    void setWindowPosition(WindowHandle window, int x, int y) override;
    void setWindowText(WindowHandle window, const char* text) override;
    WindowHandle findWindow(const char* className) override;
    bool isIconic(WindowHandle window) override;
    void setForegroundWindow(WindowHandle window) override;
    int runMessageLoop() override;
    void postQuit(int exitCode) override;
    void setItemText(WindowHandle window, int controlId, const char* text) override;
    void setItemImage(WindowHandle window, int controlId, BitmapHandle bitmap) override;
    void listAddString(WindowHandle window, int controlId, const char* text) override;
    void listDeleteString(WindowHandle window, int controlId, int row) override;
    int listCurrentSelection(WindowHandle window, int controlId) override;
    void checkRadioButton(WindowHandle window, int firstId, int lastId, int checkId) override;
    void checkButton(WindowHandle window, int controlId, bool checked) override;
    void enableItem(WindowHandle window, int controlId, bool enabled) override;
    void setProgressRange(WindowHandle window, int controlId, int low, int high) override;
    void setProgressPosition(WindowHandle window, int controlId, int position) override;
    void setTimer(WindowHandle window, int timerId, unsigned periodMs) override;
    void killTimer(WindowHandle window, int timerId) override;
    void messageBox(const char* text, const char* caption) override;
    BitmapHandle loadBitmap(const char* name) override;

    // For tests and the automatic run: the widgets behind a window and its controls.
    QWidget* widget(WindowHandle window) const;
    QWidget* controlWidget(WindowHandle window, int controlId) const;
    WindowHandle windowOfClass(const char* className) const;
    // The top-level window the user sees now (for a second start that asks to be raised).
    QWidget* frontWindow() const;
    bool quitRequested() const { return quitRequested_; }

  private:
    struct Window {
        QPointer<DialogWindow> widget;
        std::string className;
        WindowProcedure procedure = nullptr;
        std::map<int, QTimer*> timers;
        std::map<int, BitmapHandle> pictures;  // what each picture control shows
    };

    Window* find(WindowHandle window);
    const Window* find(WindowHandle window) const;
    void deliver(WindowHandle window, const WindowMessage& message);

    SingleInstance* instance_;
    std::map<std::string, WindowProcedure> classes_;
    std::map<WindowHandle, Window> windows_;
    std::vector<QPixmap> bitmaps_;  // handle n is bitmaps_[n - 1]
    std::uintptr_t nextWindow_ = 1;
    bool quitRequested_ = false;
    int exitCode_ = 0;
};

// The handle findWindow gives for a copy of the tool that runs in another process.
extern const WindowHandle kOtherProcessWindow;

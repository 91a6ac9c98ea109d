// Win32: the window services of the Windows program, over USER32 and the COMCTL32 progress bar.
#pragma once

#include <windows.h>

#include "app/window_services.h"

class Win32WindowServices : public WindowServices {
  public:
    // instance: the program's module, for window classes, dialog templates and resources.
    explicit Win32WindowServices(HINSTANCE instance);

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

  private:
    HINSTANCE instance_;
};

// The handles of the core are the system's own, cast.
inline HWND toHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
inline WindowHandle toWindowHandle(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

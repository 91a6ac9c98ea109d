// Window services that do nothing and create nothing: the stand-in until a platform installs
// its own, and a base for tests that only count what reaches the screen.
#pragma once

#include "app/window_services.h"

class SilentWindowServices : public WindowServices {
  public:
    int registerWindowClass(const char*, WindowProcedure) override { return 0; }
    WindowHandle createDialog(const char*, WindowHandle) override { return nullptr; }
    void destroyWindow(WindowHandle) override {}
    void showWindow(WindowHandle, ShowCommand) override {}
    void updateWindow(WindowHandle) override {}
    void setWindowPosition(WindowHandle, int, int) override {}
    void setWindowText(WindowHandle, const char*) override {}
    WindowHandle findWindow(const char*) override { return nullptr; }
    bool isIconic(WindowHandle) override { return false; }
    void setForegroundWindow(WindowHandle) override {}
    int runMessageLoop() override { return 0; }
    void postQuit(int) override {}
    void setItemText(WindowHandle, int, const char*) override {}
    void setItemImage(WindowHandle, int, BitmapHandle) override {}
    void listAddString(WindowHandle, int, const char*) override {}
    void listDeleteString(WindowHandle, int, int) override {}
    int listCurrentSelection(WindowHandle, int) override { return -1; }
    void checkRadioButton(WindowHandle, int, int, int) override {}
    void checkButton(WindowHandle, int, bool) override {}
    void enableItem(WindowHandle, int, bool) override {}
    void setProgressRange(WindowHandle, int, int, int) override {}
    void setProgressPosition(WindowHandle, int, int) override {}
    void setTimer(WindowHandle, int, unsigned) override {}
    void killTimer(WindowHandle, int) override {}
    void messageBox(const char*, const char*) override {}
    BitmapHandle loadBitmap(const char*) override { return nullptr; }
};

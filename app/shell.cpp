// Start-up, the single-instance rule and switching between the two windows.
#include "app/shell.h"

#include <cstdio>

#include "app/connection_window.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "ui/indicator_display.h"
#include "ui/test_window.h"

namespace {

constexpr const char* kConnectionClass = "CONNECTIONWINZR8";
constexpr const char* kTestWindowClass = "SERIALWINZR8";

// Brings a running copy's window forward; true when there was one.
bool activateRunningCopy(const char* className) {
    WindowServices& services = windowServices();
    const WindowHandle running = services.findWindow(className);
    if (running == nullptr) {
        return false;
    }
    if (services.isIconic(running)) {
        services.showWindow(running, ShowCommand::Restore);
    }
    services.setForegroundWindow(running);
    return true;
}

void loadBitmaps() {
    ShellState& shell = shellState();
    char name[16];
    for (int n = 1; n <= kBitmapCount; ++n) {
        std::snprintf(name, sizeof name, "BILD%d", n);
        shell.bitmaps[n - 1] = windowServices().loadBitmap(name);
    }
}

}  // namespace

int registerWindowClasses() {
    if (activateRunningCopy(kConnectionClass) || activateRunningCopy(kTestWindowClass)) {
        return 0;
    }
    WindowServices& services = windowServices();
    if (services.registerWindowClass(kConnectionClass, connectionWindowProc) == 0) {
        return 0;
    }
    return services.registerWindowClass(kTestWindowClass, testWindowProc);
}

int openConnectionWindow() {
    WindowServices& services = windowServices();
    ShellState& shell = shellState();
    if (shell.currentWindow != nullptr) {
        const WindowHandle old = shell.currentWindow;
        shell.currentWindow = nullptr;
        services.destroyWindow(old);
    }
    const WindowHandle window = services.createDialog(kConnectionClass, nullptr);
    shell.currentWindow = window;
    if (window == nullptr) {
        return 0;
    }
    scanHardware(window);
    services.showWindow(window, ShowCommand::Show);
    services.updateWindow(window);
    return 1;
}

void switchWindow(std::int16_t target) {
    WindowServices& services = windowServices();
    if (target == kQuitTarget) {
        requestQuit();
        return;
    }
    ShellState& shell = shellState();
    int opened = 0;
    if (target == kConnectionWindowTarget || target == kTestWindowTarget) {
        shell.switchingGuard = 1;
        opened = target == kConnectionWindowTarget ? openConnectionWindow() : openTestWindow();
    }
    shell.switchingGuard = 0;
    if (opened == 0) {
        services.messageBox("Can't open window!", "Error");
        services.postQuit(0);
    }
}

int startTool() {
    if (registerWindowClasses() == 0) {
        return 0;  // another copy runs (it was brought forward) or the classes were refused
    }
    loadBitmaps();
    clearShownSlots();
    clearReceivedSlots();
    resetModuleRegistry();
    switchWindow(kConnectionWindowTarget);
    return 1;
}

void finishTool() {
    ShellState& shell = shellState();
    if (shell.currentWindow != nullptr) {
        // For the test window this runs its shutdown: every output off, the link closed.
        const WindowHandle last = shell.currentWindow;
        shell.currentWindow = nullptr;
        windowServices().destroyWindow(last);
    }
}

int runTool() {
    if (startTool() == 0) {
        return 0;
    }
    const int exitCode = windowServices().runMessageLoop();
    finishTool();
    return exitCode;
}

// Window services without a screen for the tests and benchmarks: keeps every window's and
// control's current state in memory, plays a scenario (failing templates, steps when idle,
// timers, row picks) and lets the test read back what the core showed.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/window_services.h"

class HeadlessWindowServices : public WindowServices {
  public:
    struct ControlState {
        std::string text;
        BitmapHandle picture = nullptr;
        std::vector<std::string> rows;
        int selection = -1;
        bool checked = false;
        bool enabled = true;
        int progressLow = 0;
        int progressHigh = 100;
        int progressPosition = 0;
    };

    struct WindowState {
        std::string templateName;
        std::string className;
        std::string title;
        WindowProcedure procedure = nullptr;
        bool visible = false;
        bool iconic = false;
        WindowHandle owner = nullptr;
        int x = 0;
        int y = 0;
        std::map<int, ControlState> controls;
        // A window made from a template has the template's controls and no others; any other
        // window gets a control wherever the program writes one.
        bool templateControlsOnly = false;
        std::map<int, unsigned> timers;  // id -> period in ms
    };

    // --- WindowServices ---
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

    // --- setting up and driving a scenario ---
    // A window that exists without the core having made it (another running copy, say).
    WindowHandle addForeignWindow(const char* className, bool iconic = false);
    // Makes every later createDialog of that template fail, as when resources are missing.
    void failDialog(const char* templateName);
    // Makes registering that window class fail.
    void failClass(const char* className);
    // Gives a control a starting text, as a template's static text would.
    void presetText(WindowHandle window, int controlId, const char* text);
    // What the user does next, in order: each time runMessageLoop finds nothing to do, it runs
    // the next step (which typically dispatches a command). With no steps left it stops.
    void whenIdle(std::function<void()> step);
    // Queues a message for runMessageLoop; dispatch(...) delivers one at once.
    void post(WindowHandle window, const WindowMessage& message);
    int dispatch(WindowHandle window, const WindowMessage& message);
    // Delivers a Timer message when that timer is running; returns whether it was.
    bool fireTimer(WindowHandle window, int timerId);
    // The user picks a list row, as a click would (selection changed is not sent here).
    void selectListRow(WindowHandle window, int controlId, int row);
    // Resources that loadBitmap finds; with none declared, every name is found.
    void declareBitmap(const char* name);
    void failBitmap(const char* name);                  // that resource is missing
    const char* bitmapName(BitmapHandle bitmap) const;  // "" for null or unknown

    // --- reading back ---
    bool exists(WindowHandle window) const;
    const WindowState* window(WindowHandle window) const;
    const ControlState& control(WindowHandle window, int controlId) const;
    const std::vector<std::string>& messageBoxes() const { return messageBoxes_; }
    bool quitPosted() const { return quitPosted_; }

  protected:
    // Called once for every operation above, before it takes effect; no-op here.
    virtual void onOperation(const std::string& /*description*/) {}
    // Describes an operation only when somebody listens, so that plain headless use does not
    // pay for formatting.
    virtual bool wantsOperations() const { return false; }

  private:
    ControlState& mutableControl(WindowHandle window, int controlId);
    void note(const char* operation, WindowHandle window, int controlId, const std::string& args);
    static std::string quoted(const char* text);
    std::string handleName(WindowHandle window) const;

    std::map<std::string, WindowProcedure> classes_;
    std::map<WindowHandle, WindowState> windows_;
    std::deque<std::pair<WindowHandle, WindowMessage>> queue_;
    std::deque<std::function<void()>> idleSteps_;
    std::vector<std::string> bitmapNames_;  // handle n names bitmapNames_[n - 1]
    std::vector<std::string> declaredBitmaps_;
    std::set<std::string> failingTemplates_;
    std::set<std::string> failingBitmaps_;
    std::set<std::string> failingClasses_;
    std::vector<std::string> messageBoxes_;
    ControlState scratchControl_;
    std::uintptr_t nextWindow_ = 1;
    bool quitPosted_ = false;
    int exitCode_ = 0;
};

// The user-interface operations the portable core needs, and the messages it handles.
// Each platform (USER32 on Windows, Qt on Linux) implements this once; tests use a recording fake.
// No platform header may be included here: windows and pictures are opaque handles.
#pragma once

#include <cstdint>

struct WindowObject;
using WindowHandle = WindowObject*;  // null = no window

struct BitmapObject;
using BitmapHandle = const BitmapObject*;  // null = no picture (a missing resource)

enum class MessageKind : std::uint8_t {
    // Delivered inside createDialog, once the window exists but before the dialog's controls do
    // (as Windows sends WM_CREATE before the dialog manager makes the template's controls): an
    // operation on a control here has no effect.
    Create,
    Destroy,  // delivered at once by destroyWindow
    Paint,    // the platform brackets the handling with its begin/end paint
    Timer,    // timerId says which timer fired
    Command,  // controlId + notification, as a button click or a list box event
};

// List box notifications carried by Command messages.
constexpr int kListSelectionChanged = 1;
constexpr int kListDoubleClick = 2;
// Button notification carried by Command messages.
constexpr int kButtonClicked = 0;

struct WindowMessage {
    MessageKind kind;
    int timerId;       // Timer
    int controlId;     // Command
    int notification;  // Command
};

// A window procedure returns 1 when it handled the message and 0 to leave it to the platform's
// default handling.
using WindowProcedure = int (*)(WindowHandle window, const WindowMessage& message);

enum class ShowCommand : std::uint8_t { Show, Restore };

class WindowServices {
  public:
    virtual ~WindowServices() = default;

    // Window classes and top-level windows made from the dialog templates. A dialog whose
    // template names a registered class sends every message to that class's procedure.
    virtual int registerWindowClass(const char* className, WindowProcedure procedure) = 0;
    // owner: the window the new one belongs to (stays above it), or null for none.
    virtual WindowHandle createDialog(const char* templateName,
                                      WindowHandle owner) = 0;  // null on failure
    virtual void destroyWindow(WindowHandle window) = 0;        // runs the Destroy handling at once
    virtual void showWindow(WindowHandle window, ShowCommand command) = 0;
    virtual void updateWindow(WindowHandle window) = 0;
    // Moves the window's top-left corner to a screen position; size and stacking stay.
    virtual void setWindowPosition(WindowHandle window, int x, int y) = 0;
    virtual void setWindowText(WindowHandle window, const char* text) = 0;

    // Single-instance rule: a running copy is found by its window class name.
    virtual WindowHandle findWindow(const char* className) = 0;
    virtual bool isIconic(WindowHandle window) = 0;
    virtual void setForegroundWindow(WindowHandle window) = 0;

    // Message loop: runs until postQuit, then returns the exit code given there.
    virtual int runMessageLoop() = 0;
    virtual void postQuit(int exitCode) = 0;

    // Controls, addressed by the numeric ids of the templates.
    virtual void setItemText(WindowHandle window, int controlId, const char* text) = 0;
    virtual void setItemImage(WindowHandle window, int controlId, BitmapHandle bitmap) = 0;
    virtual void listAddString(WindowHandle window, int controlId, const char* text) = 0;
    virtual void listDeleteString(WindowHandle window, int controlId, int row) = 0;
    virtual int listCurrentSelection(WindowHandle window, int controlId) = 0;  // -1 = none
    virtual void checkRadioButton(WindowHandle window, int firstId, int lastId, int checkId) = 0;
    virtual void checkButton(WindowHandle window, int controlId, bool checked) = 0;
    virtual void enableItem(WindowHandle window, int controlId, bool enabled) = 0;
    virtual void setProgressRange(WindowHandle window, int controlId, int low, int high) = 0;
    virtual void setProgressPosition(WindowHandle window, int controlId, int position) = 0;

    // Timers arrive as Timer messages on the window's procedure.
    virtual void setTimer(WindowHandle window, int timerId, unsigned periodMs) = 0;
    virtual void killTimer(WindowHandle window, int timerId) = 0;

    // The one modal message box (warning icon, no owner).
    virtual void messageBox(const char* text, const char* caption) = 0;

    // Resources built into the program; a missing one gives null.
    virtual BitmapHandle loadBitmap(const char* name) = 0;
};

// The process-wide window services. Until a platform installs its own, a silent implementation
// that does nothing and creates no window stands in.
WindowServices& windowServices();
void installWindowServices(WindowServices* services);  // null restores the silent one

// Window services without a screen, for command-line tools and tests.
#include "tests/support/headless_window_services.h"

#include <algorithm>
#include <cstdio>

#include "ui/dialog_template.h"

namespace {

WindowHandle handleFromNumber(std::uintptr_t number) {
    return reinterpret_cast<WindowHandle>(number);
}

std::uintptr_t numberFromHandle(WindowHandle window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

const HeadlessWindowServices::ControlState kAbsentControl{};

}  // namespace

std::string HeadlessWindowServices::quoted(const char* text) {
    std::string out = "\"";
    out += text != nullptr ? text : "";
    out += '"';
    return out;
}

std::string HeadlessWindowServices::handleName(WindowHandle window) const {
    return "#" + std::to_string(numberFromHandle(window));
}

void HeadlessWindowServices::note(const char* operation, WindowHandle window, int controlId,
                                  const std::string& args) {
    if (!wantsOperations()) {
        return;
    }
    std::string text = operation;
    text += '(';
    text += handleName(window);
    if (controlId != 0) {
        text += ", " + std::to_string(controlId);
    }
    if (!args.empty()) {
        text += ", " + args;
    }
    text += ')';
    onOperation(text);
}

HeadlessWindowServices::ControlState& HeadlessWindowServices::mutableControl(WindowHandle window,
                                                                             int controlId) {
    auto found = windows_.find(window);
    if (found == windows_.end()) {
        // A control of a window that is gone: the operation has no effect, as on a real screen.
        scratchControl_ = ControlState{};
        return scratchControl_;
    }
    WindowState& state = found->second;
    if (state.templateControlsOnly && state.controls.count(controlId) == 0) {
        // No such control in the window (or not yet: the create message comes before the
        // dialog's controls exist): the operation has no effect, as on a real screen.
        scratchControl_ = ControlState{};
        return scratchControl_;
    }
    return state.controls[controlId];
}

int HeadlessWindowServices::registerWindowClass(const char* className, WindowProcedure procedure) {
    if (wantsOperations()) {
        onOperation(std::string("registerWindowClass(") + quoted(className) + ")");
    }
    if (failingClasses_.count(className) != 0) {
        return 0;
    }
    classes_[className] = procedure;
    return 1;
}

WindowHandle HeadlessWindowServices::createDialog(const char* templateName, WindowHandle owner) {
    if (wantsOperations()) {
        onOperation(std::string("createDialog(") + quoted(templateName) +
                    (owner != nullptr ? ", owner " + handleName(owner) : std::string()) + ")");
    }
    if (failingTemplates_.count(templateName) != 0) {
        return nullptr;
    }
    WindowHandle window = handleFromNumber(nextWindow_++);
    WindowState& state = windows_[window];
    state.templateName = templateName;
    state.owner = owner;
    // A template names its window class and gives its controls their first texts.
    std::string className = templateName;
    const DialogTemplate* dialog = findDialogTemplate(templateName);
    if (dialog != nullptr) {
        className = dialog->windowClass != nullptr ? dialog->windowClass : "";
        state.title = dialog->title;
        state.templateControlsOnly = true;
    }
    auto found = classes_.find(className);
    if (found != classes_.end()) {
        state.className = className;
        state.procedure = found->second;
    }
    // As under Windows: the create message comes before the dialog's controls exist.
    dispatch(window, WindowMessage{MessageKind::Create, 0, 0, 0});
    auto made = windows_.find(window);
    if (dialog != nullptr && made != windows_.end()) {
        for (int i = 0; i < dialog->itemCount; ++i) {
            const DialogItem& item = dialog->items[i];
            if (item.id != -1) {
                made->second.controls[item.id].text = item.text;
            }
        }
    }
    return window;
}

void HeadlessWindowServices::destroyWindow(WindowHandle window) {
    note("destroyWindow", window, 0, "");
    auto found = windows_.find(window);
    if (found == windows_.end()) {
        return;
    }
    WindowProcedure procedure = found->second.procedure;
    windows_.erase(found);
    if (procedure != nullptr) {
        procedure(window, WindowMessage{MessageKind::Destroy, 0, 0, 0});
    }
}

void HeadlessWindowServices::showWindow(WindowHandle window, ShowCommand command) {
    note("showWindow", window, 0, command == ShowCommand::Restore ? "restore" : "show");
    if (exists(window)) {
        windows_[window].visible = true;
        if (command == ShowCommand::Restore) {
            windows_[window].iconic = false;
        }
    }
}

void HeadlessWindowServices::updateWindow(WindowHandle window) {
    note("updateWindow", window, 0, "");
}

void HeadlessWindowServices::setWindowPosition(WindowHandle window, int x, int y) {
    note("setWindowPosition", window, 0, std::to_string(x) + ", " + std::to_string(y));
    if (exists(window)) {
        WindowState& state = windows_[window];
        state.x = x;
        state.y = y;
    }
}

void HeadlessWindowServices::setWindowText(WindowHandle window, const char* text) {
    note("setWindowText", window, 0, quoted(text));
    if (exists(window)) {
        windows_[window].title = text;
    }
}

WindowHandle HeadlessWindowServices::findWindow(const char* className) {
    for (const auto& [handle, state] : windows_) {
        if (state.className == className) {
            return handle;
        }
    }
    return nullptr;
}

bool HeadlessWindowServices::isIconic(WindowHandle window) {
    const WindowState* state = this->window(window);
    return state != nullptr && state->iconic;
}

void HeadlessWindowServices::setForegroundWindow(WindowHandle window) {
    note("setForegroundWindow", window, 0, "");
}

int HeadlessWindowServices::runMessageLoop() {
    while (!quitPosted_) {
        if (!queue_.empty()) {
            auto [window, message] = queue_.front();
            queue_.pop_front();
            dispatch(window, message);
        } else if (!idleSteps_.empty()) {
            std::function<void()> step = std::move(idleSteps_.front());
            idleSteps_.pop_front();
            step();
        } else {
            break;
        }
    }
    // A loop that runs dry without a quit request would wait for ever on a real screen.
    return quitPosted_ ? exitCode_ : -1;
}

void HeadlessWindowServices::postQuit(int exitCode) {
    if (wantsOperations()) {
        onOperation("postQuit(" + std::to_string(exitCode) + ")");
    }
    if (!quitPosted_) {
        quitPosted_ = true;
        exitCode_ = exitCode;
    }
}

void HeadlessWindowServices::setItemText(WindowHandle window, int controlId, const char* text) {
    note("setItemText", window, controlId, quoted(text));
    mutableControl(window, controlId).text = text;
}

void HeadlessWindowServices::setItemImage(WindowHandle window, int controlId, BitmapHandle bitmap) {
    note("setItemImage", window, controlId, bitmap != nullptr ? bitmapName(bitmap) : "null");
    mutableControl(window, controlId).picture = bitmap;
}

void HeadlessWindowServices::listAddString(WindowHandle window, int controlId, const char* text) {
    note("listAddString", window, controlId, quoted(text));
    mutableControl(window, controlId).rows.emplace_back(text);
}

void HeadlessWindowServices::listDeleteString(WindowHandle window, int controlId, int row) {
    note("listDeleteString", window, controlId, std::to_string(row));
    ControlState& control = mutableControl(window, controlId);
    if (row >= 0 && row < static_cast<int>(control.rows.size())) {
        control.rows.erase(control.rows.begin() + row);
        if (control.selection == row) {
            control.selection = -1;
        } else if (control.selection > row) {
            control.selection -= 1;
        }
    }
}

int HeadlessWindowServices::listCurrentSelection(WindowHandle window, int controlId) {
    return control(window, controlId).selection;
}

void HeadlessWindowServices::checkRadioButton(WindowHandle window, int firstId, int lastId,
                                              int checkId) {
    note("checkRadioButton", window, firstId,
         std::to_string(lastId) + ", " + std::to_string(checkId));
    for (int id = firstId; id <= lastId; ++id) {
        mutableControl(window, id).checked = (id == checkId);
    }
}

void HeadlessWindowServices::checkButton(WindowHandle window, int controlId, bool checked) {
    note("checkButton", window, controlId, checked ? "1" : "0");
    mutableControl(window, controlId).checked = checked;
}

void HeadlessWindowServices::enableItem(WindowHandle window, int controlId, bool enabled) {
    note("enableItem", window, controlId, enabled ? "1" : "0");
    mutableControl(window, controlId).enabled = enabled;
}

void HeadlessWindowServices::setProgressRange(WindowHandle window, int controlId, int low,
                                              int high) {
    note("setProgressRange", window, controlId, std::to_string(low) + ", " + std::to_string(high));
    ControlState& control = mutableControl(window, controlId);
    control.progressLow = low;
    control.progressHigh = high;
}

void HeadlessWindowServices::setProgressPosition(WindowHandle window, int controlId, int position) {
    note("setProgressPosition", window, controlId, std::to_string(position));
    // Kept as sent: a real bar shows a position beyond its range as full.
    mutableControl(window, controlId).progressPosition = position;
}

void HeadlessWindowServices::setTimer(WindowHandle window, int timerId, unsigned periodMs) {
    note("setTimer", window, 0, std::to_string(timerId) + ", " + std::to_string(periodMs));
    if (exists(window)) {
        windows_[window].timers[timerId] = periodMs;
    }
}

void HeadlessWindowServices::killTimer(WindowHandle window, int timerId) {
    note("killTimer", window, 0, std::to_string(timerId));
    if (exists(window)) {
        windows_[window].timers.erase(timerId);
    }
}

void HeadlessWindowServices::messageBox(const char* text, const char* caption) {
    if (wantsOperations()) {
        onOperation("messageBox(" + quoted(text) + ", " + quoted(caption) + ")");
    }
    messageBoxes_.push_back(std::string(caption) + ": " + text);
}

BitmapHandle HeadlessWindowServices::loadBitmap(const char* name) {
    if (failingBitmaps_.count(name) != 0) {
        return nullptr;
    }
    if (!declaredBitmaps_.empty() && std::find(declaredBitmaps_.begin(), declaredBitmaps_.end(),
                                               name) == declaredBitmaps_.end()) {
        return nullptr;
    }
    bitmapNames_.emplace_back(name);
    return reinterpret_cast<BitmapHandle>(static_cast<std::uintptr_t>(bitmapNames_.size()));
}

WindowHandle HeadlessWindowServices::addForeignWindow(const char* className, bool iconic) {
    WindowHandle window = handleFromNumber(nextWindow_++);
    windows_[window].className = className;
    windows_[window].visible = true;
    windows_[window].iconic = iconic;
    return window;
}

void HeadlessWindowServices::failDialog(const char* templateName) {
    failingTemplates_.insert(templateName);
}

void HeadlessWindowServices::presetText(WindowHandle window, int controlId, const char* text) {
    mutableControl(window, controlId).text = text;
}

void HeadlessWindowServices::whenIdle(std::function<void()> step) {
    idleSteps_.push_back(std::move(step));
}

void HeadlessWindowServices::post(WindowHandle window, const WindowMessage& message) {
    queue_.emplace_back(window, message);
}

int HeadlessWindowServices::dispatch(WindowHandle window, const WindowMessage& message) {
    const WindowState* state = this->window(window);
    if (state == nullptr || state->procedure == nullptr) {
        return 0;
    }
    return state->procedure(window, message);
}

bool HeadlessWindowServices::fireTimer(WindowHandle window, int timerId) {
    const WindowState* state = this->window(window);
    if (state == nullptr || state->timers.count(timerId) == 0) {
        return false;
    }
    dispatch(window, WindowMessage{MessageKind::Timer, timerId, 0, 0});
    return true;
}

void HeadlessWindowServices::selectListRow(WindowHandle window, int controlId, int row) {
    ControlState& control = mutableControl(window, controlId);
    control.selection = (row >= 0 && row < static_cast<int>(control.rows.size())) ? row : -1;
}

void HeadlessWindowServices::failClass(const char* className) {
    failingClasses_.insert(className);
}

void HeadlessWindowServices::failBitmap(const char* name) {
    failingBitmaps_.insert(name);
}

void HeadlessWindowServices::declareBitmap(const char* name) {
    declaredBitmaps_.emplace_back(name);
}

const char* HeadlessWindowServices::bitmapName(BitmapHandle bitmap) const {
    const auto number = reinterpret_cast<std::uintptr_t>(bitmap);
    if (number == 0 || number > bitmapNames_.size()) {
        return "";
    }
    return bitmapNames_[number - 1].c_str();
}

bool HeadlessWindowServices::exists(WindowHandle window) const {
    return windows_.count(window) != 0;
}

const HeadlessWindowServices::WindowState* HeadlessWindowServices::window(
    WindowHandle window) const {
    auto found = windows_.find(window);
    return found != windows_.end() ? &found->second : nullptr;
}

const HeadlessWindowServices::ControlState& HeadlessWindowServices::control(WindowHandle window,
                                                                            int controlId) const {
    const WindowState* state = this->window(window);
    if (state == nullptr) {
        return kAbsentControl;
    }
    auto found = state->controls.find(controlId);
    return found != state->controls.end() ? found->second : kAbsentControl;
}

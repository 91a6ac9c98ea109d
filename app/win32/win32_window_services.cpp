// Win32: window services over USER32 calls, one call per operation.
#include "app/win32/win32_window_services.h"

#include <commctrl.h>

#include "app/win32/text_room.h"
#include "app/win32/window_procedure.h"
#include "ui/dialog_styles.h"
#include "ui/dialog_template.h"

namespace {

HWND itemOf(WindowHandle window, int controlId) {
    return GetDlgItem(toHwnd(window), controlId);
}

}  // namespace

Win32WindowServices::Win32WindowServices(HINSTANCE instance) : instance_(instance) {}

int Win32WindowServices::registerWindowClass(const char* className, WindowProcedure procedure) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = classWindowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;  // the windows are dialogs made from templates
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, "TOOLSICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    const ATOM atom = RegisterClassA(&windowClass);
    if (atom == 0) {
        return 0;
    }
    if (!bindClassProcedure(atom, procedure)) {
        UnregisterClassA(className, instance_);
        return 0;
    }
    return atom;
}

WindowHandle Win32WindowServices::createDialog(const char* templateName, WindowHandle owner) {
    HWND window = CreateDialogParamA(instance_, templateName, toHwnd(owner), nullptr, 0);
    if (window != nullptr) {
        makeRoomForTexts(window);  // still hidden: nobody sees a text cut or a box grow
    }
    const DialogTemplate* dialog = findDialogTemplate(templateName);
    if (window != nullptr && dialog != nullptr && (dialog->style & kDsSysModal) != 0 &&
        (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
        // Windows keeps a DS_SYSMODAL dialog above other windows; where the system does not
        // (Wine), it is asked for.
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return toWindowHandle(window);
}

void Win32WindowServices::destroyWindow(WindowHandle window) {
    DestroyWindow(toHwnd(window));
}

void Win32WindowServices::showWindow(WindowHandle window, ShowCommand command) {
    ShowWindow(toHwnd(window), command == ShowCommand::Restore ? SW_RESTORE : SW_SHOW);
}

void Win32WindowServices::updateWindow(WindowHandle window) {
    UpdateWindow(toHwnd(window));
}

void Win32WindowServices::setWindowPosition(WindowHandle window, int x, int y) {
    SetWindowPos(toHwnd(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void Win32WindowServices::setWindowText(WindowHandle window, const char* text) {
    SetWindowTextA(toHwnd(window), text);
}

WindowHandle Win32WindowServices::findWindow(const char* className) {
    return toWindowHandle(FindWindowA(className, nullptr));
}

bool Win32WindowServices::isIconic(WindowHandle window) {
    return IsIconic(toHwnd(window)) != FALSE;
}

void Win32WindowServices::setForegroundWindow(WindowHandle window) {
    SetForegroundWindow(toHwnd(window));
}

int Win32WindowServices::runMessageLoop() {
    MSG message = {};
    // 0 is the quit message; -1 an error, after which no message would ever come.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

void Win32WindowServices::postQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

void Win32WindowServices::setItemText(WindowHandle window, int controlId, const char* text) {
    SetDlgItemTextA(toHwnd(window), controlId, text);
}

void Win32WindowServices::setItemImage(WindowHandle window, int controlId, BitmapHandle bitmap) {
    SendDlgItemMessageA(toHwnd(window), controlId, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(bitmap));
}

void Win32WindowServices::listAddString(WindowHandle window, int controlId, const char* text) {
    SendDlgItemMessageA(toHwnd(window), controlId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void Win32WindowServices::listDeleteString(WindowHandle window, int controlId, int row) {
    SendDlgItemMessageA(toHwnd(window), controlId, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
}

int Win32WindowServices::listCurrentSelection(WindowHandle window, int controlId) {
    const LRESULT selection = SendDlgItemMessageA(toHwnd(window), controlId, LB_GETCURSEL, 0, 0);
    return selection == LB_ERR ? -1 : static_cast<int>(selection);
}

void Win32WindowServices::checkRadioButton(WindowHandle window, int firstId, int lastId,
                                           int checkId) {
    CheckRadioButton(toHwnd(window), firstId, lastId, checkId);
}

void Win32WindowServices::checkButton(WindowHandle window, int controlId, bool checked) {
    CheckDlgButton(toHwnd(window), controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32WindowServices::enableItem(WindowHandle window, int controlId, bool enabled) {
    EnableWindow(itemOf(window, controlId), enabled ? TRUE : FALSE);
}

void Win32WindowServices::setProgressRange(WindowHandle window, int controlId, int low, int high) {
    SendMessageA(itemOf(window, controlId), PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void Win32WindowServices::setProgressPosition(WindowHandle window, int controlId, int position) {
    SendMessageA(itemOf(window, controlId), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32WindowServices::setTimer(WindowHandle window, int timerId, unsigned periodMs) {
    SetTimer(toHwnd(window), static_cast<UINT_PTR>(timerId), periodMs, nullptr);
}

void Win32WindowServices::killTimer(WindowHandle window, int timerId) {
    KillTimer(toHwnd(window), static_cast<UINT_PTR>(timerId));
}

void Win32WindowServices::messageBox(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
}

BitmapHandle Win32WindowServices::loadBitmap(const char* name) {
    return reinterpret_cast<BitmapHandle>(LoadBitmapA(instance_, name));
}

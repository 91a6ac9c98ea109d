// Win32: drives the Windows program from outside, as a user would, for the GUI smoke test.
//
// Runs a list of steps given on the command line, in order, and stops at the first that fails
// (exit status 1, the reason on standard error). Steps that name a control act on the window
// found by the last "wait". Every wait is bounded.
//
//   wait CLASS MS            a visible top-level window of CLASS within MS milliseconds
//   title TEXT               the window's title is TEXT
//   control ID CLASS TEXT    the window has control ID of window class CLASS with text TEXT
//   enabled ID 0|1           control ID is disabled (0) or enabled (1)
//   row ID TEXT              list box ID has a row TEXT
//   select ID TEXT           selects row TEXT of list box ID, as a click on it would
//   click ID                 clicks button ID
//   minimize                 minimizes the window
//   front MS                 within MS milliseconds the window is restored and in front
//   count CLASS N            exactly N top-level windows of CLASS exist
//   gone MS                  the window is destroyed within MS milliseconds
//   second EXE MS            with a window of our own in front, starts EXE (a Unix or Windows
//                            path), which must end with status 0 within MS milliseconds and
//                            leave the window in front
//   capture FILE             writes the window as it is on the screen to FILE (24-bit BMP)
//
// Reading what the controls hold, for the desktop suite that gives real X input:
//
//   program EXE              the program file (a Unix or Windows path) whose dialog templates
//                            and pictures the steps below use
//   where ID                 prints "where ID LEFT TOP WIDTH HEIGHT", the screen rectangle of
//                            control ID worked out from the template's dialog units, and
//                            "actual ID ..." where the control's window is
//   checked ID 0|1           the check mark of button ID (BM_GETCHECK)
//   text ID TEXT             the text of control ID
//   pos ID N                 progress bar ID stands at N
//   rows ID N TEXT...        list box ID holds exactly the N rows TEXT..., in order
//   selected ID N            list box ID has row N selected (-1: none)
//   picture ID NAME          picture control ID shows the program's picture NAME ("BILD7"), or
//                            "none" of them
//   state FILE               every control of the window as JSON lines into FILE ("-": standard
//                            output)
//   handle ID                prints what GDI in this process makes of picture ID's bitmap handle
//   texts                    every text of the window is shown whole in the template's font
//                            and nothing made wider for it overlaps a neighbour it was clear of
//   topmost 0|1              the window is (1) or is not (0) kept above other windows
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "tests/win32/gui/driver_layout.h"
#include "tests/win32/gui/driver_pictures.h"
#include "tests/win32/gui/driver_state.h"
#include "tests/win32/gui/driver_texts.h"

namespace {

constexpr DWORD kPollMs = 20;

HWND current = nullptr;
std::string programFile;
driver::ToolPictures pictures;

bool fail(const std::string& reason) {
    std::fprintf(stderr, "gui_driver: %s\n", reason.c_str());
    return false;
}

std::string windowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string className(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND control(int id) {
    return current != nullptr ? GetDlgItem(current, id) : nullptr;
}

// Waits up to ms for the condition; true when it held.
template <typename Condition>
bool waitFor(DWORD ms, Condition condition) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start >= ms) {
            return false;
        }
        Sleep(kPollMs);
    }
}

// The row of the list box with that text, or -1. rows receives all rows, for the report.
// The wide call: Wine hands a narrow list text to another process as a wide one.
int findRow(HWND list, const std::string& text, std::string& rows) {
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        wchar_t wide[512] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0) >=
            static_cast<LRESULT>(std::size(wide))) {
            continue;
        }
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(wide));
        char line[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, line, sizeof line, nullptr, nullptr);
        rows += rows.empty() ? "" : ", ";
        rows += line;
        if (text == line) {
            return row;
        }
    }
    return -1;
}

struct CountContext {
    const char* className;
    int count;
};

BOOL CALLBACK countWindow(HWND window, LPARAM context) {
    auto* counting = reinterpret_cast<CountContext*>(context);
    if (className(window) == counting->className) {
        ++counting->count;
    }
    return TRUE;
}

bool writeBitmap(const char* file, HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return fail("capture: no window rectangle");
    }
    // Only what is on the screen can be read back.
    const RECT screenRect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rect, &rect, &screenRect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int stride = (width * 3 + 3) & ~3;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file keeps it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    bool written = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        BITMAPFILEHEADER header = {};
        header.bfType = 0x4D42;  // "BM"
        header.bfOffBits = sizeof header + sizeof info.bmiHeader;
        header.bfSize = header.bfOffBits + static_cast<DWORD>(stride) * height;
        if (FILE* out = std::fopen(file, "wb")) {
            written = std::fwrite(&header, sizeof header, 1, out) == 1 &&
                      std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                      std::fwrite(pixels, static_cast<size_t>(stride) * height, 1, out) == 1;
            written = std::fclose(out) == 0 && written;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written ? true : fail(std::string("capture: cannot write ") + file);
}

// Handles what has come for our own window while we wait.
void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A plain window of ours that takes the foreground from the program under test.
HWND createCover() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "ZR8GUIDRIVERCOVER";
    RegisterClassA(&windowClass);
    HWND cover =
        CreateWindowA("ZR8GUIDRIVERCOVER", "gui driver", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300,
                      300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (cover != nullptr) {
        SetForegroundWindow(cover);
        waitFor(5000, [cover] {
            pumpMessages();
            return GetForegroundWindow() == cover;
        });
    }
    return cover;
}

// A Unix path as Wine's drive Z: sees it; a Windows path as it is.
std::string windowsPath(const char* given) {
    std::string path = given;
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;  // Wine's drive for the Unix root
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

// Starts the program and waits for its end; true when it ended with status 0 in time.
bool runToEnd(const char* program, DWORD ms) {
    const std::string path = windowsPath(program);
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return fail("cannot start " + path);
    }
    bool ended = false;
    waitFor(ms, [&] {
        pumpMessages();
        ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        return ended;
    });
    DWORD status = 1;
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
    } else {
        GetExitCodeProcess(process.hProcess, &status);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended)
        return fail("the second start still runs after " + std::to_string(ms) + " ms");
    return status == 0 ? true
                       : fail("the second start ended with status " + std::to_string(status));
}

bool needProgram(std::string& reason) {
    if (programFile.empty()) {
        reason = "no program file (program EXE first)";
        return false;
    }
    return pictures.load(programFile, reason);
}

// The screen pixels under the current window, with their rectangle.
bool readWindowPixels(driver::Pixels& screen, RECT& rect) {
    GetWindowRect(current, &rect);
    const RECT screenRect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rect, &rect, &screenRect);
    return driver::readScreen(rect, screen);
}

std::string showsPicture(HWND item) {
    driver::Pixels screen;
    RECT windowRect;
    if (!readWindowPixels(screen, windowRect)) {
        return "(the screen cannot be read)";
    }
    if (SendMessageW(item, STM_GETIMAGE, IMAGE_BITMAP, 0) == 0) {
        return "empty";
    }
    RECT rect;
    GetWindowRect(item, &rect);
    return pictures.identify(screen, rect.left - windowRect.left, rect.top - windowRect.top);
}

std::string handleReport(HWND item) {
    auto* bitmap = reinterpret_cast<HBITMAP>(SendMessageW(item, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP shape = {};
    const int size = GetObjectW(bitmap, sizeof shape, &shape);
    char text[160];
    std::snprintf(text, sizeof text, "handle %p: GetObject %d, %ldx%ld, %d bits",
                  static_cast<void*>(bitmap), size, shape.bmWidth, shape.bmHeight,
                  shape.bmBitsPixel);
    return text;
}

// The steps that read one control.
bool readStep(const std::string& step, char** args, int available, int& used) {
    auto need = [&](int count) {
        used = count + 1;
        return available > count;
    };
    if (!need(step == "where" || step == "handle" ? 1 : 2))
        return fail(step + ": missing arguments");
    const int id = std::atoi(args[1]);
    HWND item = control(id);
    if (item == nullptr)
        return fail(std::string("no control ") + args[1]);
    const std::string name = std::string("control ") + args[1];
    if (step == "where") {
        std::string reason;
        driver::DialogLayout layout;
        RECT rect;
        if (programFile.empty())
            return fail("where: no program file (program EXE first)");
        if (!driver::loadDialogLayout(programFile, className(current), layout, reason) ||
            !driver::controlScreenRect(current, layout, id, rect, reason))
            return fail("where: " + reason);
        RECT actual;
        GetWindowRect(item, &actual);
        std::printf("where %d %ld %ld %ld %ld\n", id, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top);
        std::printf("actual %d %ld %ld %ld %ld\n", id, actual.left, actual.top,
                    actual.right - actual.left, actual.bottom - actual.top);
        return true;
    }
    if (step == "checked") {
        const LRESULT checked = SendMessageW(item, BM_GETCHECK, 0, 0);
        return checked == std::atoi(args[2]) ? true
                                             : fail(name + " has check state " +
                                                    std::to_string(checked) + ", not " + args[2]);
    }
    if (step == "text") {
        const std::string text = driver::controlText(item);
        return text == args[2] ? true
                               : fail(name + " shows \"" + text + "\", not \"" + args[2] + "\"");
    }
    if (step == "pos") {
        const LRESULT pos = SendMessageW(item, PBM_GETPOS, 0, 0);
        return pos == std::atoi(args[2])
                   ? true
                   : fail(name + " stands at " + std::to_string(pos) + ", not " + args[2]);
    }
    if (step == "selected") {
        const LRESULT row = SendMessageW(item, LB_GETCURSEL, 0, 0);
        return row == std::atoi(args[2])
                   ? true
                   : fail(name + " has row " + std::to_string(row) + " selected, not " + args[2]);
    }
    if (step == "rows") {
        const int count = std::atoi(args[2]);
        if (count < 0 || !need(2 + count))
            return fail("rows ID N TEXT...: fewer than N texts");
        std::vector<std::string> want(args + 3, args + 3 + count);
        const std::vector<std::string> rows = driver::listRows(item);
        if (rows == want)
            return true;
        std::string seen;
        for (const std::string& row : rows) {
            seen += (seen.empty() ? "\"" : ", \"") + row + "\"";
        }
        return fail(name + " holds [" + seen + "]");
    }
    std::string reason;
    if (!needProgram(reason))
        return fail(step + ": " + reason);
    if (step == "handle") {
        std::printf("%s\n", handleReport(item).c_str());
        return true;
    }
    const std::string shown = showsPicture(item);
    return shown == args[2] ? true : fail(name + " shows " + shown + ", not " + args[2]);
}

bool writeState(const char* file) {
    std::string reason;
    if (!needProgram(reason))
        return fail("state: " + reason);
    driver::Pixels screen;
    RECT rect;
    if (!readWindowPixels(screen, rect))
        return fail("state: the screen cannot be read");
    const std::string lines = driver::describeControls(current, pictures, screen, rect);
    if (std::strcmp(file, "-") == 0) {
        std::fputs(lines.c_str(), stdout);
        return true;
    }
    FILE* out = std::fopen(windowsPath(file).c_str(), "wb");
    if (out == nullptr)
        return fail(std::string("state: cannot write ") + file);
    const bool written = std::fwrite(lines.data(), 1, lines.size(), out) == lines.size();
    return std::fclose(out) == 0 && written ? true
                                            : fail(std::string("state: cannot write ") + file);
}

// Runs the step at args[0]; used receives the number of arguments it took.
bool runStep(char** args, int available, int& used) {
    const std::string step = args[0];
    auto need = [&](int count) {
        used = count + 1;
        return available > count;
    };
    auto number = [&](int at) { return std::atoi(args[at]); };

    if (step == "wait") {
        if (!need(2))
            return fail("wait CLASS MS");
        const char* wanted = args[1];
        current = nullptr;
        const bool found = waitFor(static_cast<DWORD>(number(2)), [&] {
            current = FindWindowA(wanted, nullptr);
            return current != nullptr && IsWindowVisible(current);
        });
        if (!found)
            return fail(std::string("no visible window of class ") + wanted);
        std::printf("window %s: \"%s\"\n", wanted, windowText(current).c_str());
        return true;
    }
    if (current == nullptr && step != "count") {
        return fail(step + ": no window (wait first)");
    }
    if (step == "title") {
        if (!need(1))
            return fail("title TEXT");
        const std::string title = windowText(current);
        return title == args[1] ? true
                                : fail("title is \"" + title + "\", not \"" + args[1] + "\"");
    }
    if (step == "control") {
        if (!need(3))
            return fail("control ID CLASS TEXT");
        HWND item = control(number(1));
        if (item == nullptr)
            return fail(std::string("no control ") + args[1]);
        const std::string kind = className(item);
        const std::string text = windowText(item);
        if (lstrcmpiA(kind.c_str(), args[2]) != 0 || text != args[3]) {
            return fail(std::string("control ") + args[1] + " is " + kind + " \"" + text +
                        "\", not " + args[2] + " \"" + args[3] + "\"");
        }
        return true;
    }
    if (step == "enabled") {
        if (!need(2))
            return fail("enabled ID 0|1");
        HWND item = control(number(1));
        if (item == nullptr)
            return fail(std::string("no control ") + args[1]);
        const bool enabled = IsWindowEnabled(item) != FALSE;
        return enabled == (number(2) != 0) ? true
                                           : fail(std::string("control ") + args[1] +
                                                  (enabled ? " is enabled" : " is disabled"));
    }
    if (step == "row" || step == "select") {
        if (!need(2))
            return fail(step + " ID TEXT");
        HWND list = control(number(1));
        if (list == nullptr)
            return fail(std::string("no list ") + args[1]);
        std::string rows;
        const int row = findRow(list, args[2], rows);
        if (row < 0)
            return fail(std::string("no row \"") + args[2] + "\" in [" + rows + "]");
        if (step == "row")
            return true;
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        // The list tells its window as it does when the user clicks a row.
        SendMessageA(current, WM_COMMAND, MAKEWPARAM(number(1), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        return true;
    }
    if (step == "click") {
        if (!need(1))
            return fail("click ID");
        HWND button = control(number(1));
        if (button == nullptr)
            return fail(std::string("no button ") + args[1]);
        // Posted: the click may end or replace the window, which must not wait on us.
        PostMessageA(current, WM_COMMAND, MAKEWPARAM(number(1), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return true;
    }
    if (step == "minimize") {
        used = 1;
        ShowWindow(current, SW_MINIMIZE);
        return waitFor(5000, [] { return IsIconic(current) != FALSE; })
                   ? true
                   : fail("the window did not minimize");
    }
    if (step == "front") {
        if (!need(1))
            return fail("front MS");
        const bool front = waitFor(static_cast<DWORD>(number(1)), [] {
            return IsIconic(current) == FALSE && GetForegroundWindow() == current;
        });
        if (front)
            return true;
        HWND foreground = GetForegroundWindow();
        return fail(std::string(IsIconic(current) ? "still minimized" : "restored") +
                    "; the foreground window is \"" +
                    (foreground != nullptr ? windowText(foreground) : std::string("none")) + "\"");
    }
    if (step == "count") {
        if (!need(2))
            return fail("count CLASS N");
        CountContext counting{args[1], 0};
        EnumWindows(countWindow, reinterpret_cast<LPARAM>(&counting));
        return counting.count == number(2)
                   ? true
                   : fail(std::to_string(counting.count) + " windows of class " + args[1] +
                          ", not " + args[2]);
    }
    if (step == "gone") {
        if (!need(1))
            return fail("gone MS");
        return waitFor(static_cast<DWORD>(number(1)), [] { return IsWindow(current) == FALSE; })
                   ? true
                   : fail("the window is still there");
    }
    if (step == "second") {
        if (!need(2))
            return fail("second EXE MS");
        HWND cover = createCover();
        if (cover == nullptr || GetForegroundWindow() != cover) {
            if (cover != nullptr)
                DestroyWindow(cover);
            return fail("our own window did not come to the front");
        }
        bool passed = runToEnd(args[1], static_cast<DWORD>(number(2)));
        if (passed && !waitFor(5000, [] {
                pumpMessages();
                return GetForegroundWindow() == current;
            })) {
            HWND foreground = GetForegroundWindow();
            passed =
                fail("the window did not come to the front; in front is \"" +
                     (foreground != nullptr ? windowText(foreground) : std::string("none")) + "\"");
        }
        DestroyWindow(cover);
        return passed;
    }
    if (step == "capture") {
        if (!need(1))
            return fail("capture FILE");
        SetForegroundWindow(current);
        RedrawWindow(current, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(300);  // the drawing reaches the screen
        return writeBitmap(args[1], current);
    }
    if (step == "program") {
        if (!need(1))
            return fail("program EXE");
        programFile = windowsPath(args[1]);
        return true;
    }
    if (step == "where" || step == "checked" || step == "text" || step == "pos" || step == "rows" ||
        step == "selected" || step == "picture" || step == "handle") {
        return readStep(step, args, available, used);
    }
    if (step == "state") {
        if (!need(1))
            return fail("state FILE");
        return writeState(args[1]);
    }
    if (step == "texts") {
        std::string reason;
        driver::DialogLayout layout;
        if (programFile.empty())
            return fail("texts: no program file (program EXE first)");
        if (!driver::loadDialogLayout(programFile, className(current), layout, reason) ||
            !driver::textsShownWhole(current, layout, reason))
            return fail("texts: " + reason);
        return true;
    }
    if (step == "topmost") {
        if (!need(1))
            return fail("topmost 0|1");
        const bool topmost = (GetWindowLongA(current, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        return topmost == (number(1) != 0)
                   ? true
                   : fail(std::string("the window is ") + (topmost ? "" : "not ") + "topmost");
    }
    used = 1;
    return fail("unknown step " + step);
}

}  // namespace

int main(int argc, char** argv) {
    for (int at = 1; at < argc;) {
        int used = 1;
        if (!runStep(argv + at, argc - at, used)) {
            return 1;
        }
        at += used;
    }
    return 0;
}

// Win32: the window procedure of the registered classes, translating USER32 messages into the
// core's messages.
#include "app/win32/window_procedure.h"

#include "app/win32/win32_window_services.h"

namespace {

struct ClassBinding {
    ATOM atom;
    WindowProcedure procedure;
};

// The program registers two classes; a few spare places cost nothing.
ClassBinding bindings[4] = {};

WindowProcedure procedureOf(HWND window) {
    const auto atom = static_cast<ATOM>(GetClassLongPtrA(window, GCW_ATOM));
    for (const ClassBinding& binding : bindings) {
        if (binding.atom != 0 && binding.atom == atom) {
            return binding.procedure;
        }
    }
    return nullptr;
}

}  // namespace

bool bindClassProcedure(ATOM classAtom, WindowProcedure procedure) {
    for (ClassBinding& binding : bindings) {
        if (binding.atom == 0 || binding.atom == classAtom) {
            binding = ClassBinding{classAtom, procedure};
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK classWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowProcedure procedure = procedureOf(window);
    if (procedure == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const WindowHandle handle = toWindowHandle(window);
    switch (message) {
        case WM_CREATE:
            // To the system, anything but -1 lets the creation go on: a handled create is 0.
            if (procedure(handle, WindowMessage{MessageKind::Create, 0, 0, 0}) != 0) {
                return 0;
            }
            break;
        case WM_DESTROY:
            if (procedure(handle, WindowMessage{MessageKind::Destroy, 0, 0, 0}) != 0) {
                return 0;
            }
            break;
        case WM_PAINT: {
            // The whole redraw runs between the begin and end of the paint, which validates the
            // window: nothing is left for the default handling.
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            procedure(handle, WindowMessage{MessageKind::Paint, 0, 0, 0});
            EndPaint(window, &paint);
            return 0;
        }
        case WM_TIMER:
            if (procedure(handle,
                          WindowMessage{MessageKind::Timer, static_cast<int>(wParam), 0, 0}) != 0) {
                return 0;
            }
            break;
        case WM_COMMAND:
            if (procedure(handle, WindowMessage{MessageKind::Command, 0, LOWORD(wParam),
                                                HIWORD(wParam)}) != 0) {
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

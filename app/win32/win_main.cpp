// Win32: the Windows program's entry point.
#include <windows.h>

#include <commctrl.h>

#include "app/shell.h"
#include "app/win32/instance_guard.h"
#include "app/win32/win32_window_services.h"
#include "link/platform_services.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The progress bars of the test window are COMCTL32's class.
    InitCommonControls();

    Win32WindowServices windows(instance);
    installWindowServices(&windows);
    const PlatformServices ports;

    // Before the single-instance rule: a second start that came a moment after the first
    // waits for the first copy's window rather than run beside it.
    InstanceGuard guard;
    constexpr DWORD kFirstCopyWaitMs = 10000;
    const int exitCode = guard.waitForFirstCopy(kFirstCopyWaitMs) ? runTool() : 0;

    installWindowServices(nullptr);
    return exitCode;
}

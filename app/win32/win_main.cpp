// Win32: the Windows program's entry point.
#include <windows.h>

#include <commctrl.h>

#include "app/shell.h"
#include "app/win32/instance_guard.h"
#include "app/win32/win32_window_services.h"

#if defined(ZR8_HAVE_LINK_WIN32)
#include "link/ftdi_service.h"
#include "link/serial_port_service.h"
#include "link/win32/ftd2xx_service.h"
#include "link/win32/serial_port_win32.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The progress bars of the test window are COMCTL32's class.
    InitCommonControls();

    Win32WindowServices windows(instance);
    installWindowServices(&windows);
#if defined(ZR8_HAVE_LINK_WIN32)
    Win32SerialPortService serial;
    installSerialPortService(&serial);
    Ftd2xxService ftdi;
    installFtdiService(&ftdi);
#endif

    // Before the single-instance rule: a second start that came a moment after the first
    // waits for the first copy's window rather than run beside it.
    InstanceGuard guard;
    constexpr DWORD kFirstCopyWaitMs = 10000;
    const int exitCode = guard.waitForFirstCopy(kFirstCopyWaitMs) ? runTool() : 0;

#if defined(ZR8_HAVE_LINK_WIN32)
    installFtdiService(nullptr);
    installSerialPortService(nullptr);
#endif
    installWindowServices(nullptr);
    return exitCode;
}

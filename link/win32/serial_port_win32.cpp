// Windows serial-port service: COM ports over the KERNEL32 comm API.
#include "link/win32/serial_port_win32.h"

#include <algorithm>
#include <cstdio>

namespace {

// The probe's configuration record: exactly one COMMCONFIG, as the system defines it.
constexpr DWORD kCommConfigSize = sizeof(COMMCONFIG);
static_assert(sizeof(void*) != 8 || kCommConfigSize == 52, "COMMCONFIG is 52 bytes on x64");

bool inRange(int portNumber) {
    return portNumber >= Win32SerialPortService::kFirstPort &&
           portNumber <= Win32SerialPortService::kLastPort;
}

// "\\.\COMn": the device namespace name, which also reaches ports above COM9.
void deviceName(int portNumber, char (&name)[16]) {
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", portNumber);
}

HANDLE openExclusive(int portNumber, DWORD flags) {
    char name[16];
    deviceName(portNumber, name);
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags,
                       nullptr);
}

// Waits up to limitMs for an overlapped operation that went pending; then cancels it and waits
// for the cancellation, so it is over when this returns. The bytes it moved, also when cancelled.
DWORD finishPending(HANDLE handle, OVERLAPPED& overlapped, DWORD limitMs) {
    if (WaitForSingleObject(overlapped.hEvent, limitMs) != WAIT_OBJECT_0) {
        CancelIoEx(handle, &overlapped);
    }
    DWORD moved = 0;
    if (!GetOverlappedResult(handle, &overlapped, &moved, TRUE)) {
        // A cancelled operation reports failure, yet what it moved before is in the record.
        moved = static_cast<DWORD>(overlapped.InternalHigh);
    }
    return moved;
}

// The errors of a handle whose device was removed (a USB-serial adapter unplugged) or whose
// driver gave up on it: nothing more will come through it.
bool deviceGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool Win32SerialPortService::portGone(SerialPort port) {
    const OpenPort* slot = slotOf(port);
    return slot != nullptr && slot->gone;
}

Win32SerialPortService::~Win32SerialPortService() {
    for (OpenPort& slot : slots_) {
        release(slot);
    }
}

bool Win32SerialPortService::probePort(int portNumber) {
    if (!inRange(portNumber)) {
        return false;
    }
    char name[8];
    std::snprintf(name, sizeof name, "COM%d", portNumber);
    COMMCONFIG config = {};
    config.dwSize = kCommConfigSize;
    DWORD size = kCommConfigSize;
    if (!GetDefaultCommConfigA(name, &config, &size)) {
        return false;
    }
    // Exclusive: a port another program holds cannot be opened and is not listed.
    const HANDLE handle = openExclusive(portNumber, FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(handle);
    return true;
}

SerialPort Win32SerialPortService::openPort(int portNumber) {
    if (!inRange(portNumber)) {
        return nullptr;
    }
    OpenPort& slot = slots_[portNumber - kFirstPort];
    if (slot.handle != INVALID_HANDLE_VALUE) {
        return nullptr;  // already open here, and ports are taken exclusively
    }
    slot.handle = openExclusive(portNumber, FILE_FLAG_OVERLAPPED);
    if (slot.handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    // Manual-reset events, as overlapped operations expect; ReadFile and WriteFile reset them.
    slot.readEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    slot.writeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (slot.readEvent == nullptr || slot.writeEvent == nullptr) {
        release(slot);
        return nullptr;
    }
    return reinterpret_cast<SerialPort>(&slot);
}

bool Win32SerialPortService::configurePort(SerialPort port, std::uint32_t baudRate) {
    OpenPort* slot = slotOf(port);
    if (slot == nullptr) {
        return false;
    }
    DCB settings = {};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(slot->handle, &settings)) {
        return false;
    }
    // Exactly these four; flow control, special characters and the rest stay as they were.
    settings.BaudRate = baudRate;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    return SetCommState(slot->handle, &settings) != FALSE;
}

void Win32SerialPortService::setReadsNonBlocking(SerialPort port) {
    OpenPort* slot = slotOf(port);
    if (slot == nullptr) {
        return;
    }
    // The write time-outs keep what the port had (zero when they could not be read).
    COMMTIMEOUTS timeouts = {};
    GetCommTimeouts(slot->handle, &timeouts);
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    SetCommTimeouts(slot->handle, &timeouts);
}

void Win32SerialPortService::purgePort(SerialPort port) {
    OpenPort* slot = slotOf(port);
    if (slot != nullptr) {
        PurgeComm(slot->handle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
}

std::uint32_t Win32SerialPortService::readPort(SerialPort port, std::uint8_t* buffer,
                                               std::uint32_t capacity) {
    OpenPort* slot = slotOf(port);
    if (slot == nullptr || buffer == nullptr || capacity == 0) {
        return 0;
    }
    // Ask for no more than has arrived: a read with nothing to take may stay pending (Wine does
    // so even with the non-blocking time-outs), and this call must not return with one open.
    DWORD errors = 0;
    COMSTAT status = {};
    if (!ClearCommError(slot->handle, &errors, &status)) {
        slot->gone = slot->gone || deviceGone(GetLastError());
        return 0;
    }
    const DWORD wanted = std::min<DWORD>(status.cbInQue, capacity);
    if (wanted == 0) {
        return 0;
    }
    OVERLAPPED& overlapped = slot->readOverlapped;
    overlapped = OVERLAPPED{};
    overlapped.hEvent = slot->readEvent;
    DWORD received = 0;
    if (ReadFile(slot->handle, buffer, wanted, nullptr, &overlapped)) {
        GetOverlappedResult(slot->handle, &overlapped, &received, FALSE);
    } else {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            received = finishPending(slot->handle, overlapped, kReadWaitLimitMs);
        } else {
            slot->gone = slot->gone || deviceGone(error);
        }
    }
    return std::min<DWORD>(received, wanted);
}

void Win32SerialPortService::writePort(SerialPort port, const std::uint8_t* bytes,
                                       std::uint32_t length) {
    OpenPort* slot = slotOf(port);
    if (slot == nullptr || bytes == nullptr || length == 0) {
        return;
    }
    // A handle opened for overlapped I/O takes writes only with an OVERLAPPED record.
    OVERLAPPED& overlapped = slot->writeOverlapped;
    overlapped = OVERLAPPED{};
    overlapped.hEvent = slot->writeEvent;
    if (!WriteFile(slot->handle, bytes, length, nullptr, &overlapped) &&
        GetLastError() == ERROR_IO_PENDING) {
        // A stalled line (flow control held off, say) must not hang the window.
        finishPending(slot->handle, overlapped, kWriteWaitLimitMs);
    }
}

void Win32SerialPortService::closePort(SerialPort port) {
    OpenPort* slot = slotOf(port);
    if (slot != nullptr) {
        release(*slot);
    }
}

Win32SerialPortService::OpenPort* Win32SerialPortService::slotOf(SerialPort port) {
    for (OpenPort& slot : slots_) {
        if (reinterpret_cast<SerialPort>(&slot) == port && slot.handle != INVALID_HANDLE_VALUE) {
            return &slot;
        }
    }
    return nullptr;
}

void Win32SerialPortService::release(OpenPort& slot) {
    if (slot.handle != INVALID_HANDLE_VALUE) {
        CloseHandle(slot.handle);
    }
    if (slot.readEvent != nullptr) {
        CloseHandle(slot.readEvent);
    }
    if (slot.writeEvent != nullptr) {
        CloseHandle(slot.writeEvent);
    }
    slot = OpenPort{};
}

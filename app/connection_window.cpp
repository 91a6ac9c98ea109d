// Hardware scan and selection in the connection window.
#include "app/connection_window.h"

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "link/connection_table.h"
#include "link/ftdi_service.h"
#include "link/serial_port_service.h"
#include "ui/connection_window_ids.h"

namespace {

// Appends a row and its list line together, so that list row i always shows table row i. A
// table that is full takes no more rows, and the list then takes no more lines either.
void addConnection(WindowHandle window, std::int16_t kind, std::int16_t index, const char* label) {
    if (appendConnection(kind, index, label) != 0) {
        windowServices().listAddString(window, kConnectionListId, label);
    }
}

void enableSpeedChoice(WindowHandle window, bool enabled) {
    windowServices().enableItem(window, kSpeed9600Id, enabled);
    windowServices().enableItem(window, kSpeed38400Id, enabled);
}

void handleSelectionChange(WindowHandle window) {
    WindowServices& services = windowServices();
    ConnectionTable& table = connectionTable();
    const int selection = services.listCurrentSelection(window, kConnectionListId);
    if (selection < 0 || selection >= table.connectionCount) {
        table.selectedConnection = -1;
        services.enableItem(window, kConnectionOkId, false);
        enableSpeedChoice(window, false);
        return;
    }
    table.selectedConnection = static_cast<std::int16_t>(selection);
    services.enableItem(window, kConnectionOkId, true);
    // The adapter always runs at 38400 baud: the speed only matters for a COM port.
    enableSpeedChoice(window, table.rows[selection].kind != kUsbConnection);
}

}  // namespace

void scanUsbDevices(WindowHandle window) {
    FtdiService& ftdi = ftdiService();
    std::uint32_t count = 0;
    if (ftdi.countDevices(count) != kFtdiOk || count == 0) {
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::int32_t>(i);
        FtdiHandle handle = nullptr;
        if (ftdi.openByIndex(index, handle) != kFtdiOk || handle == nullptr) {
            continue;
        }
        char description[kFtdiDescriptionSize] = {};
        const FtdiStatus status = ftdi.readDescription(handle, description);
        char label[kConnectionLabelSize];
        if (status == kFtdiOk) {
            // The adapter fills all 64 bytes as it likes: take no more than the buffer holds,
            // terminated or not.
            const int length = static_cast<int>(strnlen(description, sizeof description));
            std::snprintf(label, sizeof label, "USB - %.*s", length, description);
            addConnection(window, kUsbConnection, static_cast<std::int16_t>(index), label);
        } else if (status == kFtdiEepromNotProgrammed) {
            addConnection(window, kUsbConnection, static_cast<std::int16_t>(index),
                          "USB - Nicht programmiert");
        }
        ftdi.close(handle);
        if (i >= 0x7FFF) {
            break;  // the table keeps device indices in 16 bits
        }
    }
}

void scanHardware(WindowHandle window) {
    WindowServices& services = windowServices();
    ConnectionTable& table = connectionTable();

    const WindowHandle notice = services.createDialog("PORTSCANWINZR8", window);
    if (notice != nullptr) {
        services.setWindowPosition(notice, 100, 100);
        services.showWindow(notice, ShowCommand::Show);
        services.updateWindow(notice);
    }

    table.selectedConnection = -1;
    for (int row = 0; row < table.connectionCount; ++row) {
        services.listDeleteString(window, kConnectionListId, 0);
    }
    table.connectionCount = 0;

    services.enableItem(window, kConnectionOkId, false);
    enableSpeedChoice(window, false);
    services.checkRadioButton(window, kSpeed9600Id, kSpeed38400Id, kSpeed9600Id);

    SerialPortService& serial = serialPortService();
    for (int port = kFirstProbedPort; port <= kLastProbedPort; ++port) {
        if (!serial.probePort(port)) {
            continue;  // missing, or held by another program
        }
        char label[kConnectionLabelSize];
        std::snprintf(label, sizeof label, "COMM - COM%d", port);
        addConnection(window, kSerialConnection, static_cast<std::int16_t>(port - 1), label);
    }

    scanUsbDevices(window);

    if (notice != nullptr) {
        services.destroyWindow(notice);
    }
}

int connectionWindowProc(WindowHandle window, const WindowMessage& message) {
    WindowServices& services = windowServices();
    ShellState& shell = shellState();
    switch (message.kind) {
        case MessageKind::Create:
            services.setWindowPosition(window, 15, 15);
            return 1;
        case MessageKind::Destroy:
            if (shell.currentWindow == window) {
                shell.currentWindow = nullptr;
            }
            if (shell.switchingGuard == 0) {
                switchWindow(kQuitTarget);
            }
            return 0;
        case MessageKind::Command:
            break;
        default:
            return 0;
    }

    ConnectionTable& table = connectionTable();
    switch (message.controlId) {
        case kConnectionQuitId:
            switchWindow(kQuitTarget);
            return 1;
        case kConnectionOkId:
            switchWindow(kTestWindowTarget);
            return 1;
        case kConnectionListId:
            if (message.notification == kListSelectionChanged) {
                handleSelectionChange(window);
                return 0;
            }
            if (message.notification == kListDoubleClick && table.selectedConnection != -1) {
                switchWindow(kTestWindowTarget);
                return 1;
            }
            return 0;
        case kSpeed9600Id:
        case kSpeed38400Id:
            services.checkRadioButton(window, kSpeed9600Id, kSpeed38400Id, message.controlId);
            table.speedChoice = static_cast<std::int16_t>(message.controlId - kSpeed9600Id);
            return 0;
        default:
            return 0;
    }
}

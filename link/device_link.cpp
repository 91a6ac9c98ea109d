// The device link over the process-wide serial port and FTDI services. Which handle a read or
// write uses is decided on every call by the kind of the selected row: 1 is a USB adapter, any
// other kind a COM port. With no valid row selected the operations do nothing.
#include "link/device_link.h"

#include <algorithm>

#include "link/connection_table.h"

namespace {

constexpr std::uint32_t kUsbBaudRate = 38400;
constexpr std::uint32_t kSerialFastBaudRate = 38400;
constexpr std::uint32_t kSerialSlowBaudRate = 9600;
constexpr std::uint8_t kEightDataBits = 8;
constexpr std::uint8_t kOneStopBit = 0;
constexpr std::uint8_t kNoParity = 0;
constexpr std::uint16_t kNoFlowControl = 0;
// The chip sends what it has received after this long at the latest (16 ms unless set), so an
// input waits at most this long in the adapter before the 5 ms poll can see it.
constexpr std::uint8_t kUsbLatencyMs = 1;

bool isUsbRow(const ConnectionEntry& row) {
    return row.kind == kUsbConnection;
}

// The D2XX answers of an adapter that is no longer there (unplugged, or its handle invalidated
// with it); any other failure may pass.
bool adapterGone(FtdiStatus status) {
    return status == kFtdiInvalidHandle || status == kFtdiDeviceNotFound ||
           status == kFtdiDeviceNotOpened || status == kFtdiIoError;
}

}  // namespace

DeviceLinkState& deviceLinkState() {
    static DeviceLinkState state;
    return state;
}

void openUsbDevice() {
    const ConnectionEntry* row = selectedConnectionEntry();
    if (row == nullptr) {
        return;
    }
    // An earlier handle never survives, whether this row opens or not.
    DeviceLinkState& link = deviceLinkState();
    link.usbHandle = nullptr;
    link.gone = false;
    if (!isUsbRow(*row)) {
        return;
    }
    FtdiService& ftdi = ftdiService();
    // Whether the adapter opened shows in the handle alone: a failed open leaves it null.
    ftdi.openByIndex(row->index, link.usbHandle);
    if (link.usbHandle == nullptr) {
        return;
    }
    // Made whatever their results: an adapter that refuses a setting stays open.
    ftdi.setBaudRate(link.usbHandle, kUsbBaudRate);
    ftdi.setDataCharacteristics(link.usbHandle, kEightDataBits, kOneStopBit, kNoParity);
    ftdi.setFlowControl(link.usbHandle, kNoFlowControl, 0, 0);
    ftdi.setLatencyTimer(link.usbHandle, kUsbLatencyMs);
    ftdi.purge(link.usbHandle, kFtdiPurgeReceive | kFtdiPurgeTransmit);
}

void openSelectedConnection() {
    const ConnectionEntry* row = selectedConnectionEntry();
    if (row != nullptr && isUsbRow(*row)) {
        openUsbDevice();
    } else {
        openSerialPort();
    }
}

void openSerialPort() {
    const ConnectionEntry* row = selectedConnectionEntry();
    if (row == nullptr || row->kind != kSerialConnection) {
        return;
    }
    DeviceLinkState& link = deviceLinkState();
    SerialPortService& serial = serialPortService();
    link.gone = false;
    link.serialHandle = serial.openPort(row->index + 1);
    if (link.serialHandle == nullptr) {
        return;
    }
    const std::uint32_t baudRate =
        connectionTable().speedChoice != 0 ? kSerialFastBaudRate : kSerialSlowBaudRate;
    if (!serial.configurePort(link.serialHandle, baudRate)) {
        serial.closePort(link.serialHandle);
        link.serialHandle = nullptr;
        return;
    }
    serial.setReadsNonBlocking(link.serialHandle);
    serial.purgePort(link.serialHandle);
}

std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    const ConnectionEntry* row = selectedConnectionEntry();
    if (row == nullptr) {
        return 0;
    }
    DeviceLinkState& link = deviceLinkState();
    if (isUsbRow(*row)) {
        if (link.usbHandle == nullptr) {
            return 0;
        }
        FtdiService& ftdi = ftdiService();
        std::uint32_t waiting = 0;
        const FtdiStatus queued = ftdi.queueStatus(link.usbHandle, waiting);
        if (queued != kFtdiOk || waiting == 0) {
            link.gone = link.gone || adapterGone(queued);
            return 0;
        }
        // Never ask for more than is waiting: the adapter's read would wait for the rest.
        const std::uint32_t wanted = std::min(waiting, kDeviceLinkReadSize);
        std::uint32_t received = 0;
        const FtdiStatus read = ftdi.read(link.usbHandle, buffer, wanted, received);
        if (read != kFtdiOk) {
            link.gone = link.gone || adapterGone(read);
            return 0;
        }
        // A count above what was asked for cannot be true of this buffer.
        return std::min(received, wanted);
    }
    if (link.serialHandle == nullptr) {
        return 0;
    }
    SerialPortService& serial = serialPortService();
    const std::uint32_t received = serial.readPort(link.serialHandle, buffer, kDeviceLinkReadSize);
    if (received == 0) {
        link.gone = link.gone || serial.portGone(link.serialHandle);
    }
    return std::min(received, kDeviceLinkReadSize);
}

bool deviceLinkGone() {
    const DeviceLinkState& link = deviceLinkState();
    return link.gone && (link.serialHandle != nullptr || link.usbHandle != nullptr);
}

int writeDeviceLink(const std::uint8_t* bytes, std::uint32_t length) {
    const ConnectionEntry* row = selectedConnectionEntry();
    if (row == nullptr || (bytes == nullptr && length != 0)) {
        return 0;
    }
    const DeviceLinkState& link = deviceLinkState();
    // The write's own outcome is not examined: a frame lost on the line is not resent.
    if (isUsbRow(*row)) {
        if (link.usbHandle == nullptr) {
            return 0;
        }
        std::uint32_t written = 0;
        ftdiService().write(link.usbHandle, bytes, length, written);
        return 1;
    }
    if (link.serialHandle == nullptr) {
        return 0;
    }
    serialPortService().writePort(link.serialHandle, bytes, length);
    return 1;
}

void closeDeviceLink() {
    DeviceLinkState& link = deviceLinkState();
    link.gone = false;
    if (link.usbHandle != nullptr) {
        ftdiService().close(link.usbHandle);
        link.usbHandle = nullptr;
    }
    if (link.serialHandle != nullptr) {
        serialPortService().closePort(link.serialHandle);
        link.serialHandle = nullptr;
    }
}

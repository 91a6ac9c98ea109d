// Placeholder until the device link lands.
#include "link/device_link.h"

DeviceLinkState& deviceLinkState() {
    static DeviceLinkState state;
    return state;
}
void openUsbDevice() {}
void openSerialPort() {}
std::uint32_t readDeviceLink(std::uint8_t (&)[kDeviceLinkReadSize]) { return 0; }
int writeDeviceLink(const std::uint8_t*, std::uint32_t) { return 0; }
void closeDeviceLink() {}

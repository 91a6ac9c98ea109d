// Finding the selected connection again by what it is, not by where it was listed.
#include "link/link_identity.h"

#include <cstring>
#include <vector>

#include "link/connection_table.h"
#include "link/device_link.h"

namespace {

// A fixed-size text field from a service: up to its first NUL, never past its end.
template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    return std::string(field, end != nullptr ? static_cast<const char*>(end) - field : N);
}

struct FoundAdapter {
    std::int32_t index = 0;
    FtdiIdentity identity;
    std::string description;
};

// The description and identity of an open adapter; false when the identity cannot be read.
bool describe(FtdiHandle handle, FtdiIdentity& identity, std::string& description) {
    FtdiService& ftdi = ftdiService();
    char text[kFtdiDescriptionSize] = {};
    const FtdiStatus read = ftdi.readDescription(handle, text);
    description = read == kFtdiOk ? fieldText(text) : std::string();
    return ftdi.readIdentity(handle, identity) == kFtdiOk;
}

// Every adapter that can be opened now, each opened only to be asked what it is and closed again
// (as the hardware scan does).
std::vector<FoundAdapter> lookAtAdapters() {
    FtdiService& ftdi = ftdiService();
    std::vector<FoundAdapter> found;
    std::uint32_t count = 0;
    if (ftdi.countDevices(count) != kFtdiOk) {
        return found;
    }
    for (std::uint32_t index = 0; index < count && index < kConnectionTableSize; ++index) {
        FtdiHandle handle = nullptr;
        if (ftdi.openByIndex(static_cast<std::int32_t>(index), handle) != kFtdiOk ||
            handle == nullptr) {
            continue;
        }
        FoundAdapter adapter;
        adapter.index = static_cast<std::int32_t>(index);
        if (describe(handle, adapter.identity, adapter.description)) {
            found.push_back(adapter);
        }
        ftdi.close(handle);
    }
    return found;
}

}  // namespace

bool identifyOpenLink(LinkIdentity& identity) {
    const ConnectionEntry* row = selectedConnectionEntry();
    const DeviceLinkState& link = deviceLinkState();
    if (row == nullptr) {
        return false;
    }
    identity = LinkIdentity{};
    if (row->kind != kUsbConnection) {
        identity.portNumber = row->index + 1;
        return link.serialHandle != nullptr;
    }
    identity.usb = true;
    FtdiIdentity read;
    if (link.usbHandle == nullptr || !describe(link.usbHandle, read, identity.description)) {
        return false;
    }
    identity.serialNumber = fieldText(read.serialNumber);
    identity.place = fieldText(read.place);
    // The open adapter itself may be listed too (where it opens twice): only another place counts.
    for (const FoundAdapter& other : lookAtAdapters()) {
        const std::string place = fieldText(other.identity.place);
        identity.serialShared = identity.serialShared ||
                                (!identity.serialNumber.empty() &&
                                 fieldText(other.identity.serialNumber) == identity.serialNumber &&
                                 (place.empty() || place != identity.place));
    }
    return true;
}

bool isSameAdapter(const LinkIdentity& identity, const FtdiIdentity& found,
                   const std::string& foundDescription, bool serialShared) {
    const std::string place = fieldText(found.place);
    if (fieldText(found.serialNumber) != identity.serialNumber) {
        return false;
    }
    if (!identity.serialNumber.empty() && !serialShared) {
        return true;
    }
    // No serial number to go by: the same description at the same place.
    return !identity.place.empty() && place == identity.place &&
           foundDescription == identity.description;
}

bool reopenLink(const LinkIdentity& identity) {
    closeDeviceLink();
    ConnectionTable& table = connectionTable();
    const int selected = table.selectedConnection;
    if (selected < 0 || selected >= table.connectionCount) {
        return false;
    }
    ConnectionEntry& row = table.rows[selected];
    if (!identity.usb) {
        if (row.kind == kUsbConnection || row.index + 1 != identity.portNumber) {
            return false;
        }
        openSerialPort();
        return deviceLinkState().serialHandle != nullptr;
    }
    if (row.kind != kUsbConnection) {
        return false;
    }
    const std::vector<FoundAdapter> adapters = lookAtAdapters();
    int sameSerial = 0;
    for (const FoundAdapter& adapter : adapters) {
        sameSerial += !identity.serialNumber.empty() &&
                      fieldText(adapter.identity.serialNumber) == identity.serialNumber;
    }
    const bool shared = identity.serialShared || sameSerial > 1;
    for (const FoundAdapter& adapter : adapters) {
        if (!isSameAdapter(identity, adapter.identity, adapter.description, shared)) {
            continue;
        }
        row.index = static_cast<std::int16_t>(adapter.index);
        openUsbDevice();
        // Adapters may have come and gone between the look and the open: ask it again.
        const FtdiHandle handle = deviceLinkState().usbHandle;
        FtdiIdentity opened;
        std::string description;
        if (handle != nullptr && describe(handle, opened, description) &&
            isSameAdapter(identity, opened, description, shared)) {
            return true;
        }
        closeDeviceLink();
        return false;
    }
    return false;
}

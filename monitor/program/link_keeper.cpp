// Losing the link and opening it again.
#include "monitor/program/link_keeper.h"

#include "link/device_link.h"

bool LinkKeeper::remember() {
    const DeviceLinkState& link = deviceLinkState();
    open_ = link.serialHandle != nullptr || link.usbHandle != nullptr;
    known_ = open_ && identifyOpenLink(identity_);
    lost_ = false;
    return known_;
}

void LinkKeeper::describe(LinkReport& report) const {
    report.adapter = known_ && identity_.usb;
    if (report.adapter) {
        report.adapterSerialNumber = identity_.serialNumber;
        report.adapterDescription = identity_.description;
    }
}

LinkKeeper::Change LinkKeeper::afterRead(std::uint32_t count, double seconds) {
    if (!open_) {
        return Change::None;
    }
    if (!lost_) {
        if (count != 0 || !deviceLinkGone()) {
            return Change::None;
        }
        closeDeviceLink();
        lost_ = true;
        nextTry_ = seconds + kRetrySeconds;
        return Change::Lost;
    }
    if (!known_ || seconds < nextTry_) {
        return Change::None;  // nothing to recognise it by, or not yet time to look
    }
    if (!reopenLink(identity_)) {
        nextTry_ = seconds + kRetrySeconds;
        return Change::None;
    }
    lost_ = false;
    return Change::Restored;
}

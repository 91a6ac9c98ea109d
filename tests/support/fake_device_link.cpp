// Scripted stand-in for the device link: the definitions of readDeviceLink and writeDeviceLink
// that the tests link instead of the real link.
#include "tests/support/fake_device_link.h"

#include <algorithm>
#include <cstring>

#include "link/device_link.h"

FakeDeviceLink& fakeDeviceLink() {
    static FakeDeviceLink link;
    return link;
}

void resetFakeDeviceLink() {
    fakeDeviceLink() = FakeDeviceLink{};
}

void FakeDeviceLink::arrive(const std::vector<std::uint8_t>& bytes) {
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
}

std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    FakeDeviceLink& link = fakeDeviceLink();
    link.readCalls += 1;
    if (!link.open || link.drained()) {
        return 0;
    }
    std::size_t wanted = kDeviceLinkReadSize;
    if (link.nextReadSize < link.readSizes.size()) {
        wanted = std::min<std::size_t>(link.readSizes[link.nextReadSize++], kDeviceLinkReadSize);
    }
    const std::size_t count = std::min(wanted, link.incoming.size() - link.readPosition);
    if (count > 0) {
        std::memcpy(buffer, link.incoming.data() + link.readPosition, count);
    }
    link.readPosition += count;
    return static_cast<std::uint32_t>(count);
}

int writeDeviceLink(const std::uint8_t* bytes, std::uint32_t length) {
    FakeDeviceLink& link = fakeDeviceLink();
    if (!link.open) {
        return 0;
    }
    link.writes.emplace_back(bytes, bytes + length);
    return 1;
}

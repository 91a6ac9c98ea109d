#include "tests/support/fake_ftdi_service.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Handles are opaque tokens that are never dereferenced; each open gets a new one so that a
// handle kept after its close is recognised as bad.
constexpr std::uintptr_t kHandleBase = 0xf70000;
constexpr std::uintptr_t kHandleStep = 0x10;

FtdiHandle handleFor(std::uintptr_t token) {
    return reinterpret_cast<FtdiHandle>(kHandleBase + token * kHandleStep);
}

}  // namespace

int FakeFtdiService::addDevice(const std::string& description) {
    Device added;
    std::memcpy(added.description, description.data(),
                std::min<std::size_t>(description.size(), sizeof added.description));
    devices_.push_back(added);
    return static_cast<int>(devices_.size()) - 1;
}

int FakeFtdiService::addUnprogrammedDevice() {
    return addDeviceFailingEepromRead(kFtdiEepromNotProgrammed);
}

int FakeFtdiService::addDeviceFailingEepromRead(FtdiStatus status) {
    const int index = addDevice("");
    device(index).eepromStatus = status;
    return index;
}

int FakeFtdiService::addDeviceFailingOpen(FtdiStatus status) {
    const int index = addDevice("");
    device(index).openStatus = status;
    return index;
}

void FakeFtdiService::removeDevice(int deviceIndex) {
    device(deviceIndex);
    devices_.erase(devices_.begin() + deviceIndex);
}

void FakeFtdiService::setIdentity(int deviceIndex, const std::string& serialNumber,
                                  const std::string& place) {
    FtdiIdentity& identity = device(deviceIndex).identity;
    identity = FtdiIdentity{};
    serialNumber.copy(identity.serialNumber, sizeof identity.serialNumber - 1);
    place.copy(identity.place, sizeof identity.place - 1);
}

FtdiStatus FakeFtdiService::readIdentity(FtdiHandle handle, FtdiIdentity& identity) {
    Device* opened = use("readIdentity", handle);
    if (opened == nullptr) {
        return kFtdiInvalidHandle;
    }
    identity = opened->identity;
    return kFtdiOk;
}

void FakeFtdiService::failCount(FtdiStatus status) {
    countStatus_ = status;
}

void FakeFtdiService::failConfiguration(int deviceIndex, FtdiStatus status) {
    device(deviceIndex).configurationStatus = status;
}

void FakeFtdiService::failQueueStatus(int deviceIndex, FtdiStatus status) {
    device(deviceIndex).queueStatusStatus = status;
}

void FakeFtdiService::failReads(int deviceIndex, FtdiStatus status) {
    device(deviceIndex).readStatus = status;
}

void FakeFtdiService::failWrites(int deviceIndex, FtdiStatus status) {
    device(deviceIndex).writeStatus = status;
}

void FakeFtdiService::overstateReads(int deviceIndex, std::uint32_t extra) {
    device(deviceIndex).overstatement = extra;
}

void FakeFtdiService::queue(int deviceIndex, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t>& incoming = device(deviceIndex).incoming;
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
}

std::vector<std::string> FakeFtdiService::logOf(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& entry : log_) {
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            matching.push_back(entry);
        }
    }
    return matching;
}

FakeFtdiService::Device& FakeFtdiService::device(int deviceIndex) {
    if (deviceIndex < 0 || deviceIndex >= static_cast<int>(devices_.size())) {
        throw std::out_of_range("FakeFtdiService: no adapter " + std::to_string(deviceIndex) +
                                " was added");
    }
    return devices_[static_cast<std::size_t>(deviceIndex)];
}

const FakeFtdiService::Device* FakeFtdiService::find(int deviceIndex) const {
    if (deviceIndex < 0 || deviceIndex >= static_cast<int>(devices_.size())) {
        return nullptr;
    }
    return &devices_[static_cast<std::size_t>(deviceIndex)];
}

bool FakeFtdiService::isOpen(int deviceIndex) const {
    const Device* found = find(deviceIndex);
    return found != nullptr && found->openToken != 0;
}

int FakeFtdiService::openDeviceCount() const {
    return static_cast<int>(std::count_if(devices_.begin(), devices_.end(),
                                          [](const Device& d) { return d.openToken != 0; }));
}

std::size_t FakeFtdiService::waiting(int deviceIndex) const {
    const Device* found = find(deviceIndex);
    return found == nullptr ? 0 : found->incoming.size();
}

std::vector<std::vector<std::uint8_t>> FakeFtdiService::writes(int deviceIndex) const {
    const Device* found = find(deviceIndex);
    return found == nullptr ? std::vector<std::vector<std::uint8_t>>{} : found->writes;
}

FakeFtdiService::Device* FakeFtdiService::use(const char* call, FtdiHandle handle,
                                              const std::string& arguments) {
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        Device& candidate = devices_[i];
        if (handle != nullptr && candidate.openToken != 0 &&
            handleFor(candidate.openToken) == handle) {
            log_.push_back(call + ("(USB" + std::to_string(i)) + arguments + ")");
            return &candidate;
        }
    }
    log_.push_back(call + std::string(handle == nullptr ? "(<null>" : "(<bad handle>") + arguments +
                   ")");
    ++badHandleCalls_;
    return nullptr;
}

FtdiStatus FakeFtdiService::countDevices(std::uint32_t& count) {
    log_.push_back("count()");
    if (countStatus_ != kFtdiOk) {
        return countStatus_;
    }
    count = static_cast<std::uint32_t>(devices_.size());
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::openByIndex(std::int32_t index, FtdiHandle& handle) {
    log_.push_back("open(" + std::to_string(index) + ")");
    if (index < 0 || index >= static_cast<std::int32_t>(devices_.size())) {
        return kFtdiDeviceNotFound;
    }
    Device& opened = devices_[static_cast<std::size_t>(index)];
    if (opened.openStatus != kFtdiOk) {
        return opened.openStatus;
    }
    if (opened.openToken != 0) {
        return kFtdiDeviceNotOpened;
    }
    opened.openToken = nextToken_++;
    handle = handleFor(opened.openToken);
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::readDescription(FtdiHandle handle,
                                            char (&description)[kFtdiDescriptionSize]) {
    Device* used = use("readDescription", handle);
    if (used == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (used->eepromStatus != kFtdiOk) {
        return used->eepromStatus;
    }
    std::memcpy(description, used->description, sizeof description);
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::setBaudRate(FtdiHandle handle, std::uint32_t baudRate) {
    Device* used = use("setBaudRate", handle, ", " + std::to_string(baudRate));
    return used == nullptr ? kFtdiInvalidHandle : used->configurationStatus;
}

FtdiStatus FakeFtdiService::setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                                   std::uint8_t stopBits, std::uint8_t parity) {
    Device* used = use("setDataCharacteristics", handle,
                       ", " + std::to_string(wordLength) + ", " + std::to_string(stopBits) + ", " +
                           std::to_string(parity));
    return used == nullptr ? kFtdiInvalidHandle : used->configurationStatus;
}

FtdiStatus FakeFtdiService::setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                                           std::uint8_t xoff) {
    Device* used =
        use("setFlowControl", handle,
            ", " + std::to_string(mode) + ", " + std::to_string(xon) + ", " + std::to_string(xoff));
    return used == nullptr ? kFtdiInvalidHandle : used->configurationStatus;
}

FtdiStatus FakeFtdiService::setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) {
    Device* used = use("setLatencyTimer", handle, ", " + std::to_string(milliseconds));
    return used == nullptr ? kFtdiInvalidHandle : used->configurationStatus;
}

FtdiStatus FakeFtdiService::purge(FtdiHandle handle, std::uint32_t mask) {
    Device* used = use("purge", handle, ", " + std::to_string(mask));
    if (used == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (used->configurationStatus != kFtdiOk) {
        return used->configurationStatus;
    }
    if ((mask & kFtdiPurgeReceive) != 0) {
        used->incoming.clear();
    }
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::queueStatus(FtdiHandle handle, std::uint32_t& waitingCount) {
    Device* used = use("queueStatus", handle);
    if (used == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (used->queueStatusStatus != kFtdiOk) {
        return used->queueStatusStatus;
    }
    waitingCount = static_cast<std::uint32_t>(used->incoming.size());
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                                 std::uint32_t& received) {
    Device* used = use("read", handle, ", " + std::to_string(length));
    if (used == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (used->readStatus != kFtdiOk) {
        return used->readStatus;
    }
    if (length > used->incoming.size()) {
        ++readsThatWouldWait_;
    }
    const std::size_t count = std::min<std::size_t>(length, used->incoming.size());
    if (count > 0) {
        std::memcpy(buffer, used->incoming.data(), count);
        used->incoming.erase(used->incoming.begin(),
                             used->incoming.begin() + static_cast<std::ptrdiff_t>(count));
    }
    received = static_cast<std::uint32_t>(count) + used->overstatement;
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::write(FtdiHandle handle, const std::uint8_t* bytes,
                                  std::uint32_t length, std::uint32_t& written) {
    Device* used = use("write", handle, ", " + std::to_string(length));
    if (used == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (used->writeStatus != kFtdiOk) {
        return used->writeStatus;
    }
    if (bytes != nullptr) {
        used->writes.emplace_back(bytes, bytes + length);
    }
    written = length;
    return kFtdiOk;
}

FtdiStatus FakeFtdiService::close(FtdiHandle handle) {
    Device* used = use("close", handle);
    if (used == nullptr) {
        return kFtdiInvalidHandle;
    }
    used->openToken = 0;
    return kFtdiOk;
}

#include "tests/support/fake_serial_port_service.h"

#include <algorithm>
#include <cstring>

namespace {

// Handles are opaque tokens that are never dereferenced; each open gets a new one so that a
// handle kept after its close is recognised as bad.
constexpr std::uintptr_t kHandleBase = 0x5e0000;
constexpr std::uintptr_t kHandleStep = 0x10;

SerialPort handleFor(std::uintptr_t token) {
    return reinterpret_cast<SerialPort>(kHandleBase + token * kHandleStep);
}

std::string comName(int portNumber) {
    return "COM" + std::to_string(portNumber);
}

}  // namespace

void FakeSerialPortService::addPort(int portNumber) {
    ports_[portNumber].present = true;
}

void FakeSerialPortService::holdPort(int portNumber) {
    Port& port = ports_[portNumber];
    port.present = true;
    port.held = true;
}

void FakeSerialPortService::releasePort(int portNumber) {
    ports_[portNumber].held = false;
}

void FakeSerialPortService::removePort(int portNumber) {
    ports_.erase(portNumber);
}

void FakeSerialPortService::failConfiguration(int portNumber) {
    ports_[portNumber].failConfiguration = true;
}

void FakeSerialPortService::failReads(int portNumber) {
    ports_[portNumber].failReads = true;
}

void FakeSerialPortService::overstateReads(int portNumber, std::uint32_t extra) {
    ports_[portNumber].overstatement = extra;
}

void FakeSerialPortService::queue(int portNumber, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t>& incoming = ports_[portNumber].incoming;
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
}

std::vector<std::string> FakeSerialPortService::logOf(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& entry : log_) {
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            matching.push_back(entry);
        }
    }
    return matching;
}

const FakeSerialPortService::Port* FakeSerialPortService::find(int portNumber) const {
    auto it = ports_.find(portNumber);
    return it == ports_.end() ? nullptr : &it->second;
}

bool FakeSerialPortService::isOpen(int portNumber) const {
    const Port* port = find(portNumber);
    return port != nullptr && port->openToken != 0;
}

int FakeSerialPortService::openPortCount() const {
    return static_cast<int>(std::count_if(ports_.begin(), ports_.end(), [](const auto& entry) {
        return entry.second.openToken != 0;
    }));
}

std::uint32_t FakeSerialPortService::baudRate(int portNumber) const {
    const Port* port = find(portNumber);
    return port == nullptr ? 0 : port->baudRate;
}

std::size_t FakeSerialPortService::waiting(int portNumber) const {
    const Port* port = find(portNumber);
    return port == nullptr ? 0 : port->incoming.size();
}

std::vector<std::vector<std::uint8_t>> FakeSerialPortService::writes(int portNumber) const {
    const Port* port = find(portNumber);
    return port == nullptr ? std::vector<std::vector<std::uint8_t>>{} : port->writes;
}

FakeSerialPortService::Port* FakeSerialPortService::use(const char* call, SerialPort handle,
                                                        const std::string& arguments) {
    for (auto& [number, port] : ports_) {
        if (handle != nullptr && port.openToken != 0 && handleFor(port.openToken) == handle) {
            log_.push_back(call + ("(" + comName(number)) + arguments + ")");
            return &port;
        }
    }
    log_.push_back(call + std::string(handle == nullptr ? "(<null>" : "(<bad handle>") + arguments +
                   ")");
    ++badHandleCalls_;
    return nullptr;
}

bool FakeSerialPortService::probePort(int portNumber) {
    log_.push_back("probe(" + comName(portNumber) + ")");
    const Port* port = find(portNumber);
    return port != nullptr && port->present && !port->held && port->openToken == 0;
}

SerialPort FakeSerialPortService::openPort(int portNumber) {
    log_.push_back("open(" + comName(portNumber) + ")");
    auto it = ports_.find(portNumber);
    if (it == ports_.end() || !it->second.present || it->second.held || it->second.openToken != 0) {
        return nullptr;
    }
    it->second.openToken = nextToken_++;
    return handleFor(it->second.openToken);
}

bool FakeSerialPortService::configurePort(SerialPort handle, std::uint32_t baudRate) {
    Port* port = use("configure", handle, ", " + std::to_string(baudRate));
    if (port == nullptr || port->failConfiguration) {
        return false;
    }
    port->baudRate = baudRate;
    return true;
}

void FakeSerialPortService::setReadsNonBlocking(SerialPort handle) {
    use("nonBlockingReads", handle);
}

void FakeSerialPortService::purgePort(SerialPort handle) {
    if (Port* port = use("purge", handle)) {
        port->incoming.clear();
    }
}

std::uint32_t FakeSerialPortService::readPort(SerialPort handle, std::uint8_t* buffer,
                                              std::uint32_t capacity) {
    Port* port = use("read", handle, ", " + std::to_string(capacity));
    if (port == nullptr || port->failReads) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(capacity, port->incoming.size());
    if (count > 0) {
        std::memcpy(buffer, port->incoming.data(), count);
        port->incoming.erase(port->incoming.begin(),
                             port->incoming.begin() + static_cast<std::ptrdiff_t>(count));
    }
    return static_cast<std::uint32_t>(count) + port->overstatement;
}

void FakeSerialPortService::writePort(SerialPort handle, const std::uint8_t* bytes,
                                      std::uint32_t length) {
    Port* port = use("write", handle, ", " + std::to_string(length));
    if (port != nullptr && bytes != nullptr) {
        port->writes.emplace_back(bytes, bytes + length);
    }
}

void FakeSerialPortService::closePort(SerialPort handle) {
    if (Port* port = use("close", handle)) {
        port->openToken = 0;
    }
}

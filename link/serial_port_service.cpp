// Process-wide access to the installed serial port service, with a stand-in that finds no port.
#include "link/serial_port_service.h"

namespace {

// The service of a computer without serial ports: nothing is found, nothing opens, and the
// calls that take an open port have nothing to act on.
class NoSerialPorts final : public SerialPortService {
  public:
    bool probePort(int) override { return false; }
    SerialPort openPort(int) override { return nullptr; }
    bool configurePort(SerialPort, std::uint32_t) override { return false; }
    void setReadsNonBlocking(SerialPort) override {}
    void purgePort(SerialPort) override {}
    std::uint32_t readPort(SerialPort, std::uint8_t*, std::uint32_t) override { return 0; }
    void writePort(SerialPort, const std::uint8_t*, std::uint32_t) override {}
    void closePort(SerialPort) override {}
};

NoSerialPorts standInService;
SerialPortService* installedService = &standInService;

}  // namespace

SerialPortService& serialPortService() {
    return *installedService;
}

void installSerialPortService(SerialPortService* service) {
    installedService = service != nullptr ? service : &standInService;
}

// Linux: COM ports over termios with the user's port map, FTDI adapters over libftdi1.
#include "link/platform_services.h"

#include "link/ftdi_service.h"
#include "link/posix/ftdi_libftdi.h"
#include "link/posix/serial_port_posix.h"
#include "link/serial_port_service.h"

struct PlatformServices::Services {
    PosixSerialPortService serial;
    LibftdiService ftdi;
};

PlatformServices::PlatformServices() : services_(std::make_unique<Services>()) {
    installSerialPortService(&services_->serial);
    installFtdiService(&services_->ftdi);
}

PlatformServices::~PlatformServices() {
    installFtdiService(nullptr);
    installSerialPortService(nullptr);
}

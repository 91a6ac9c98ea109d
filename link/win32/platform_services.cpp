// Windows: COM ports over the KERNEL32 comm API, FTDI adapters through FTD2XX.dll.
#include "link/platform_services.h"

#include "link/ftdi_service.h"
#include "link/serial_port_service.h"
#include "link/win32/ftd2xx_service.h"
#include "link/win32/serial_port_win32.h"

struct PlatformServices::Services {
    Win32SerialPortService serial;
    Ftd2xxService ftdi;
};

PlatformServices::PlatformServices() : services_(std::make_unique<Services>()) {
    installSerialPortService(&services_->serial);
    installFtdiService(&services_->ftdi);
}

PlatformServices::~PlatformServices() {
    installFtdiService(nullptr);
    installSerialPortService(nullptr);
}

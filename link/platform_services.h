// This platform's serial-port and FTDI services, installed for as long as the object lives: the
// one way the desktop programs and the monitor install them. Each platform's link library
// (link/posix, link/win32) compiles its own definition.
#pragma once

#include <memory>

class PlatformServices {
  public:
    PlatformServices();
    ~PlatformServices();
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;

  private:
    struct Services;
    std::unique_ptr<Services> services_;
};

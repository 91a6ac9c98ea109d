// This platform's serial-port and FTDI services, installed for as long as the object lives.
// Each platform's build compiles its own definition.
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

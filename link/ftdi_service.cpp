// Process-wide access to the installed FTDI service, with a stand-in that finds no adapter.
#include "link/ftdi_service.h"

namespace {

// The service of a computer without FTDI adapters: the count succeeds with 0, and every call
// that needs an adapter fails as D2XX does for a device that is not there, leaving its outputs
// untouched.
class NoFtdiAdapters final : public FtdiService {
  public:
    FtdiStatus countDevices(std::uint32_t& count) override {
        count = 0;
        return kFtdiOk;
    }
    FtdiStatus openByIndex(std::int32_t, FtdiHandle&) override { return kFtdiDeviceNotFound; }
    FtdiStatus readDescription(FtdiHandle, char (&)[kFtdiDescriptionSize]) override {
        return kFtdiInvalidHandle;
    }
    FtdiStatus setBaudRate(FtdiHandle, std::uint32_t) override { return kFtdiInvalidHandle; }
    FtdiStatus setDataCharacteristics(FtdiHandle, std::uint8_t, std::uint8_t,
                                      std::uint8_t) override {
        return kFtdiInvalidHandle;
    }
    FtdiStatus setFlowControl(FtdiHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return kFtdiInvalidHandle;
    }
    FtdiStatus purge(FtdiHandle, std::uint32_t) override { return kFtdiInvalidHandle; }
    FtdiStatus setLatencyTimer(FtdiHandle, std::uint8_t) override { return kFtdiInvalidHandle; }
    FtdiStatus queueStatus(FtdiHandle, std::uint32_t&) override { return kFtdiInvalidHandle; }
    FtdiStatus read(FtdiHandle, std::uint8_t*, std::uint32_t, std::uint32_t&) override {
        return kFtdiInvalidHandle;
    }
    FtdiStatus write(FtdiHandle, const std::uint8_t*, std::uint32_t, std::uint32_t&) override {
        return kFtdiInvalidHandle;
    }
    FtdiStatus close(FtdiHandle) override { return kFtdiInvalidHandle; }
};

NoFtdiAdapters standInService;
FtdiService* installedService = &standInService;

}  // namespace

FtdiService& ftdiService() {
    return *installedService;
}

void installFtdiService(FtdiService* service) {
    installedService = service != nullptr ? service : &standInService;
}

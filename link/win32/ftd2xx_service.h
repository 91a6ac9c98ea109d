// Windows FTDI service: FTDI USB adapters through FTDI's D2XX library, FTD2XX.dll.
//
// The library is loaded at run time, on the first call, and its functions are found by their
// export names. When it is missing, or lacks one of the functions used here, the service finds
// no adapter (countDevices reports a count of 0 and every other call fails), so the program
// starts and works with COM ports on a machine without FTDI's driver. FT_SetLatencyTimer alone
// may be missing: the adapters then keep the chip's own latency.
//
// Install it with installFtdiService(&service) and keep the object alive while installed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "link/ftdi_service.h"
#include "link/win32/d2xx_api.h"

class Ftd2xxService final : public FtdiService {
  public:
    static constexpr const char* kDefaultLibrary = "FTD2XX.dll";

    // libraryName: the DLL to load, looked for beside the program and in the system folders.
    explicit Ftd2xxService(const char* libraryName = kDefaultLibrary);
    ~Ftd2xxService() override;
    Ftd2xxService(const Ftd2xxService&) = delete;
    Ftd2xxService& operator=(const Ftd2xxService&) = delete;

    // Loads the library if that was not tried yet; true when it is there with every function.
    bool available();

    FtdiStatus countDevices(std::uint32_t& count) override;
    FtdiStatus openByIndex(std::int32_t index, FtdiHandle& handle) override;
    FtdiStatus readDescription(FtdiHandle handle,
                               char (&description)[kFtdiDescriptionSize]) override;
    FtdiStatus setBaudRate(FtdiHandle handle, std::uint32_t baudRate) override;
    FtdiStatus setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                      std::uint8_t stopBits, std::uint8_t parity) override;
    FtdiStatus setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                              std::uint8_t xoff) override;
    FtdiStatus purge(FtdiHandle handle, std::uint32_t mask) override;
    FtdiStatus setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) override;
    FtdiStatus queueStatus(FtdiHandle handle, std::uint32_t& waiting) override;
    FtdiStatus read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                    std::uint32_t& received) override;
    FtdiStatus write(FtdiHandle handle, const std::uint8_t* bytes, std::uint32_t length,
                     std::uint32_t& written) override;
    FtdiStatus close(FtdiHandle handle) override;

  private:
    struct Functions {
        d2xx::OpenFn open = nullptr;
        d2xx::CloseFn close = nullptr;
        d2xx::ReadFn read = nullptr;
        d2xx::WriteFn write = nullptr;
        d2xx::SetBaudRateFn setBaudRate = nullptr;
        d2xx::SetDataCharacteristicsFn setDataCharacteristics = nullptr;
        d2xx::SetFlowControlFn setFlowControl = nullptr;
        d2xx::PurgeFn purge = nullptr;
        d2xx::GetQueueStatusFn getQueueStatus = nullptr;
        d2xx::ListDevicesFn listDevices = nullptr;
        d2xx::EeReadFn eeRead = nullptr;
        d2xx::SetLatencyTimerFn setLatencyTimer = nullptr;  // optional: older DLLs lack it
    };

    char libraryName_[MAX_PATH] = {};
    bool loadTried_ = false;
    HMODULE library_ = nullptr;  // null unless loaded with every function
    Functions functions_;
};

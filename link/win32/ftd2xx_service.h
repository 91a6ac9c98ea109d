// Windows FTDI service: FTDI USB adapters through FTDI's D2XX library, FTD2XX.dll.
//
// The library is loaded at run time, on the first call, and its functions are found by their
// export names. When it is missing, or lacks one of the functions used here, the service finds
// no adapter (countDevices reports a count of 0 and every other call fails), so the program
// starts and works with COM ports on a machine without FTDI's driver. FT_SetLatencyTimer may be
// missing: the adapters then keep the chip's own latency.
//
// An adapter's identity: its serial number from FT_GetDeviceInfo, its place its LocId ("loc
// 0x00000121"). The library's device list (FT_CreateDeviceInfoList, FT_GetDeviceInfoDetail) has
// no LocId for a device that is open, so openByIndex reads the entry of the index just before it
// opens it and keeps LocId and serial number with the handle; the place is given only when the
// opened adapter answers with the serial number of that entry (else another adapter took the
// index in between). Where the library lacks FT_GetDeviceInfo the entry's serial number stands;
// where it lacks the list the place is empty; without both readIdentity says kFtdiNotSupported.
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
    FtdiStatus readIdentity(FtdiHandle handle, FtdiIdentity& identity) override;

    // Open handles whose device-list entry is kept; more open at once get no place.
    static constexpr int kMaxListedHandles = 8;

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
        // Optional: older DLLs lack them.
        d2xx::SetLatencyTimerFn setLatencyTimer = nullptr;
        d2xx::GetDeviceInfoFn getDeviceInfo = nullptr;
        d2xx::CreateDeviceInfoListFn createDeviceInfoList = nullptr;
        d2xx::GetDeviceInfoDetailFn getDeviceInfoDetail = nullptr;
    };

    // The device-list entry of an adapter as it was just before it was opened.
    struct ListedHandle {
        d2xx::Handle handle = nullptr;  // null = slot free
        char serialNumber[kFtdiSerialNumberSize] = {};
        DWORD locId = 0;
    };

    // The entry of index now; false when the list cannot tell (no list calls, no such index,
    // the device open elsewhere).
    bool readListEntry(std::int32_t index, ListedHandle& entry);
    ListedHandle* listedOf(d2xx::Handle handle);

    char libraryName_[MAX_PATH] = {};
    bool loadTried_ = false;
    HMODULE library_ = nullptr;  // null unless loaded with every function
    Functions functions_;
    ListedHandle listed_[kMaxListedHandles];
};

// What the tool needs of FTDI USB adapters, in the shape of FTDI's D2XX calls: FTD2XX.dll loaded
// at run time on Windows, libftdi1 on Linux, a fake in tests. Every call returns a D2XX status.
#pragma once

#include <cstdint>

struct FtdiDeviceObject;
using FtdiHandle = FtdiDeviceObject*;  // null = no device open

using FtdiStatus = std::uint32_t;
constexpr FtdiStatus kFtdiOk = 0;
constexpr FtdiStatus kFtdiInvalidHandle = 1;
constexpr FtdiStatus kFtdiDeviceNotFound = 2;
constexpr FtdiStatus kFtdiDeviceNotOpened = 3;
constexpr FtdiStatus kFtdiIoError = 4;
constexpr FtdiStatus kFtdiEepromReadFailed = 11;
constexpr FtdiStatus kFtdiEepromNotPresent = 14;
constexpr FtdiStatus kFtdiEepromNotProgrammed = 15;
constexpr FtdiStatus kFtdiNotSupported = 17;
constexpr FtdiStatus kFtdiOtherError = 18;

constexpr std::uint32_t kFtdiPurgeReceive = 1;
constexpr std::uint32_t kFtdiPurgeTransmit = 2;
constexpr int kFtdiDescriptionSize = 64;
constexpr int kFtdiSerialNumberSize = 64;
constexpr int kFtdiPlaceSize = 64;

// What tells one adapter from another after it was unplugged and plugged back, when its device
// index may have changed. Both texts are printable ASCII, NUL-terminated, possibly empty.
struct FtdiIdentity {
    char serialNumber[kFtdiSerialNumberSize] = {};  // the USB serial number; empty: none
    char place[kFtdiPlaceSize] = {};                // its place on the USB buses; empty: unknown
};

class FtdiService {
  public:
    virtual ~FtdiService() = default;

    virtual FtdiStatus countDevices(std::uint32_t& count) = 0;
    // On success handle is non-null; on failure it is left as it was.
    virtual FtdiStatus openByIndex(std::int32_t index, FtdiHandle& handle) = 0;
    // The description programmed into the adapter's EEPROM. The adapter controls all 64 bytes:
    // they need not hold a terminating NUL. kFtdiEepromNotProgrammed for a blank EEPROM.
    virtual FtdiStatus readDescription(FtdiHandle handle,
                                       char (&description)[kFtdiDescriptionSize]) = 0;
    virtual FtdiStatus setBaudRate(FtdiHandle handle, std::uint32_t baudRate) = 0;
    virtual FtdiStatus setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                              std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtdiStatus setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                                      std::uint8_t xoff) = 0;
    virtual FtdiStatus purge(FtdiHandle handle, std::uint32_t mask) = 0;
    // How long the chip holds a partly filled packet before it sends it (1..255 ms; FTDI chips
    // start at 16). kFtdiNotSupported where the library has no such call.
    virtual FtdiStatus setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) = 0;
    // Bytes received and waiting to be read.
    virtual FtdiStatus queueStatus(FtdiHandle handle, std::uint32_t& waiting) = 0;
    // Reads exactly length bytes when that many are waiting; never asked for more.
    virtual FtdiStatus read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                            std::uint32_t& received) = 0;
    virtual FtdiStatus write(FtdiHandle handle, const std::uint8_t* bytes, std::uint32_t length,
                             std::uint32_t& written) = 0;
    virtual FtdiStatus close(FtdiHandle handle) = 0;
    // The open adapter's USB serial number and place. kFtdiNotSupported where the library
    // cannot tell them (identity left empty).
    virtual FtdiStatus readIdentity(FtdiHandle handle, FtdiIdentity& identity) {
        (void)handle;
        identity = FtdiIdentity{};
        return kFtdiNotSupported;
    }
};

// The process-wide FTDI service; until a platform installs one, a stand-in that finds no
// adapter (and fails every call) stands in.
FtdiService& ftdiService();
void installFtdiService(FtdiService* service);  // null restores the stand-in

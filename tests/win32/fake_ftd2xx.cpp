// Test FTD2XX.dll: simulated FTDI adapters behind the D2XX calls the program makes.
//
// The adapters come from the environment variable ZR8_FAKE_FTDI, read afresh by every
// FT_ListDevices and FT_Open: items separated by ';', one adapter per item in index order:
//   unprogrammed    FT_EE_Read answers 15 (EEPROM not programmed)
//   eeprom-fails    FT_EE_Read answers 11 (EEPROM read failed)
//   open-fails      FT_Open answers 3 (device not opened)
//   anything else   a programmed adapter with that description; 64 characters or more fill the
//                   whole 64-byte buffer, without a NUL
// and one setting for all adapters:
//   queue=N         N bytes (0, 1, 2, ... modulo 256) arrive once an opened adapter was purged
// Every call on an adapter is appended as one line to the file named by ZR8_FAKE_FTDI_LOG:
//   open I | baud B | data W S P | flow M XON XOFF | latency MS | purge MASK | read N |
//   write HEX.. | close I
// Built with ZR8_FAKE_WITHOUT_LATENCY it has no FT_SetLatencyTimer, as older libraries.
//   ee-read bad-record (the program-data record was not prepared as the library expects)
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/win32/d2xx_api.h"

namespace {

constexpr int kMaxDevices = 8;
constexpr d2xx::Status kOk = 0;
constexpr d2xx::Status kInvalidHandle = 1;
constexpr d2xx::Status kDeviceNotFound = 2;
constexpr d2xx::Status kDeviceNotOpened = 3;
constexpr d2xx::Status kEepromReadFailed = 11;
constexpr d2xx::Status kEepromNotProgrammed = 15;
constexpr d2xx::Status kInvalidArgs = 16;

enum class Kind { Programmed, Unprogrammed, EepromFails, OpenFails };

struct Device {
    Kind kind = Kind::Programmed;
    char description[128] = {};
    bool open = false;
    int index = 0;
    DWORD arriving = 0;  // bytes still to arrive after the purge
    DWORD queued = 0;
    unsigned next = 0;  // value of the next byte read
};

Device devices[kMaxDevices];
int deviceCount = 0;
DWORD queueAfterPurge = 0;

void loadConfiguration() {
    char text[1024] = {};
    deviceCount = 0;
    queueAfterPurge = 0;
    const DWORD length = GetEnvironmentVariableA("ZR8_FAKE_FTDI", text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return;
    }
    char* item = text;
    while (item != nullptr && *item != '\0') {
        char* end = std::strchr(item, ';');
        if (end != nullptr) {
            *end = '\0';
        }
        if (std::strncmp(item, "queue=", 6) == 0) {
            queueAfterPurge = static_cast<DWORD>(std::strtoul(item + 6, nullptr, 10));
        } else if (*item != '\0' && deviceCount < kMaxDevices) {
            Device& device = devices[deviceCount];
            if (device.open) {  // an open adapter keeps its state
                ++deviceCount;
            } else {
                device = Device{};
                device.index = deviceCount++;
                if (std::strcmp(item, "unprogrammed") == 0) {
                    device.kind = Kind::Unprogrammed;
                } else if (std::strcmp(item, "eeprom-fails") == 0) {
                    device.kind = Kind::EepromFails;
                } else if (std::strcmp(item, "open-fails") == 0) {
                    device.kind = Kind::OpenFails;
                } else {
                    const std::size_t size = std::strlen(item);
                    std::memcpy(
                        device.description, item,
                        size < sizeof device.description ? size : sizeof device.description - 1);
                }
            }
        }
        item = end != nullptr ? end + 1 : nullptr;
    }
}

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char* format, ...) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("ZR8_FAKE_FTDI_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return;
    }
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fclose(file);
}

Device* deviceOf(d2xx::Handle handle) {
    for (Device& device : devices) {
        if (&device == handle && device.open) {
            return &device;
        }
    }
    return nullptr;
}

}  // namespace

extern "C" {

__declspec(dllexport) d2xx::Status WINAPI FT_ListDevices(void* first, void* second, DWORD flags) {
    if (flags != d2xx::kListNumberOnly || first == nullptr || second != nullptr) {
        return kInvalidArgs;
    }
    loadConfiguration();
    *static_cast<DWORD*>(first) = static_cast<DWORD>(deviceCount);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI FT_Open(int index, d2xx::Handle* handle) {
    loadConfiguration();
    if (handle == nullptr || index < 0 || index >= deviceCount) {
        return kDeviceNotFound;
    }
    Device& device = devices[index];
    if (device.kind == Kind::OpenFails || device.open) {
        return kDeviceNotOpened;
    }
    device.open = true;
    device.arriving = queueAfterPurge;
    device.queued = 0;
    device.next = 0;
    *handle = &device;
    logLine("open %d", index);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI FT_Close(d2xx::Handle handle) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kInvalidHandle;
    }
    device->open = false;
    logLine("close %d", device->index);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI FT_EE_Read(d2xx::Handle handle, d2xx::ProgramData* data) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kInvalidHandle;
    }
    // The library writes the whole record: it must come zeroed and with its text buffers.
    bool zeroed = true;
    for (unsigned char field : data->chipFields) {
        zeroed = zeroed && field == 0;
    }
    if (data->signature1 != 0 || data->signature2 != 0xFFFFFFFF || data->version != 0 ||
        data->manufacturer == nullptr || data->manufacturerId == nullptr ||
        data->description == nullptr || data->serialNumber == nullptr || !zeroed) {
        logLine("ee-read bad-record");
        return kInvalidArgs;
    }
    switch (device->kind) {
        case Kind::Unprogrammed:
            return kEepromNotProgrammed;
        case Kind::EepromFails:
            return kEepromReadFailed;
        default:
            break;
    }
    data->vendorId = 0x0403;
    data->productId = 0x6001;
    std::memcpy(data->manufacturer, "ORVAN", 6);
    std::memcpy(data->manufacturerId, "OR", 3);
    std::memcpy(data->serialNumber, "ZR800001", 9);
    const std::size_t length = std::strlen(device->description);
    std::memcpy(data->description, device->description,
                length < d2xx::kDescriptionSize ? length + 1 : d2xx::kDescriptionSize);
    std::memset(data->chipFields, 0xA5, sizeof data->chipFields);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI FT_SetBaudRate(d2xx::Handle handle, ULONG baudRate) {
    if (deviceOf(handle) == nullptr) {
        return kInvalidHandle;
    }
    logLine("baud %lu", baudRate);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_SetDataCharacteristics(d2xx::Handle handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity) {
    if (deviceOf(handle) == nullptr) {
        return kInvalidHandle;
    }
    logLine("data %u %u %u", wordLength, stopBits, parity);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_SetFlowControl(d2xx::Handle handle, USHORT mode, UCHAR xon, UCHAR xoff) {
    if (deviceOf(handle) == nullptr) {
        return kInvalidHandle;
    }
    logLine("flow %u %u %u", mode, xon, xoff);
    return kOk;
}

#ifndef ZR8_FAKE_WITHOUT_LATENCY
__declspec(dllexport) d2xx::Status WINAPI
    FT_SetLatencyTimer(d2xx::Handle handle, UCHAR milliseconds) {
    if (deviceOf(handle) == nullptr) {
        return kInvalidHandle;
    }
    logLine("latency %u", milliseconds);
    return kOk;
}
#endif

__declspec(dllexport) d2xx::Status WINAPI FT_Purge(d2xx::Handle handle, ULONG mask) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kInvalidHandle;
    }
    logLine("purge %lu", mask);
    if ((mask & 1) != 0) {
        device->queued = 0;
    }
    // The panel's bytes come after the purge.
    device->queued += device->arriving;
    device->arriving = 0;
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI FT_GetQueueStatus(d2xx::Handle handle, DWORD* waiting) {
    Device* device = deviceOf(handle);
    if (device == nullptr || waiting == nullptr) {
        return kInvalidHandle;
    }
    *waiting = device->queued;
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_Read(d2xx::Handle handle, void* buffer, DWORD length, DWORD* received) {
    Device* device = deviceOf(handle);
    if (device == nullptr || buffer == nullptr || received == nullptr) {
        return kInvalidHandle;
    }
    // The real call would wait for bytes that are not there; the log shows what was asked.
    logLine("read %lu", length);
    const DWORD count = length < device->queued ? length : device->queued;
    unsigned char* bytes = static_cast<unsigned char*>(buffer);
    for (DWORD i = 0; i < count; ++i) {
        bytes[i] = static_cast<unsigned char>(device->next++ & 0xFF);
    }
    device->queued -= count;
    *received = count;
    return kOk;
}

#if !defined(ZR8_FAKE_WITHOUT_WRITE)
__declspec(dllexport) d2xx::Status WINAPI
    FT_Write(d2xx::Handle handle, void* bytes, DWORD length, DWORD* written) {
    Device* device = deviceOf(handle);
    if (device == nullptr || bytes == nullptr || written == nullptr) {
        return kInvalidHandle;
    }
    char text[3 * 64 + 1] = {};
    int used = 0;
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    for (DWORD i = 0; i < length && i < 64; ++i) {
        used += std::snprintf(text + used, sizeof text - used, i == 0 ? "%02X" : " %02X", data[i]);
    }
    logLine("write %s", text);
    *written = length;
    return kOk;
}
#endif

}  // extern "C"

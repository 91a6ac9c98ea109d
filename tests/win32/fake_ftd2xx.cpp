// Test FTD2XX.dll: simulated FTDI adapters behind the D2XX calls the program makes.
//
// The adapters come from the environment variable ZR8_FAKE_FTDI, read afresh by every call:
// items separated by ';', one adapter per item in index order:
//   unprogrammed    FT_EE_Read answers 15 (EEPROM not programmed)
//   eeprom-fails    FT_EE_Read answers 11 (EEPROM read failed)
//   open-fails      FT_Open answers 3 (device not opened)
//   anything else   a programmed adapter with that description; 64 characters or more fill the
//                   whole 64-byte buffer, without a NUL
// each optionally followed by attributes, separated by '|':
//   sn=TEXT         its USB serial number (none without it); 16 characters or more fill the
//                   whole 16-byte buffer of FT_GetDeviceInfo(Detail), without a NUL
//   loc=HEX         its LocId, the place on the USB buses (0 without it)
// and one setting for all adapters:
//   queue=N         N bytes (0, 1, 2, ... modulo 256) arrive once an opened adapter was purged
// An adapter open while its item stays (the same text, at any index) keeps its state and follows
// its item's index. One whose item went was unplugged: every call on it but FT_Close answers 4
// (I/O error). FT_CreateDeviceInfoList takes a snapshot that FT_GetDeviceInfoDetail answers from,
// as the library does; like the library, it gives no LocId for an adapter that is open.
// Every call on an adapter is appended as one line to the file named by ZR8_FAKE_FTDI_LOG:
//   open I | baud B | data W S P | flow M XON XOFF | latency MS | purge MASK | read N |
//   write HEX.. | close I
//   ee-read bad-record (the program-data record was not prepared as the library expects)
// Built with ZR8_FAKE_WITHOUT_LATENCY it has no FT_SetLatencyTimer, as older libraries; with
// ZR8_FAKE_WITHOUT_DEVICE_INFO no FT_GetDeviceInfo; with ZR8_FAKE_WITHOUT_DEVICE_LIST neither
// FT_CreateDeviceInfoList nor FT_GetDeviceInfoDetail.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/win32/d2xx_api.h"

namespace {

constexpr int kMaxDevices = 8;
constexpr int kSlots = 2 * kMaxDevices;  // the adapters present and those unplugged while open
constexpr d2xx::Status kOk = 0;
constexpr d2xx::Status kInvalidHandle = 1;
constexpr d2xx::Status kDeviceNotFound = 2;
constexpr d2xx::Status kDeviceNotOpened = 3;
constexpr d2xx::Status kIoError = 4;
constexpr d2xx::Status kEepromReadFailed = 11;
constexpr d2xx::Status kEepromNotProgrammed = 15;
constexpr d2xx::Status kInvalidArgs = 16;

enum class Kind { Programmed, Unprogrammed, EepromFails, OpenFails };

struct Device {
    char item[256] = {};  // its text in ZR8_FAKE_FTDI: what it is
    Kind kind = Kind::Programmed;
    char description[128] = {};
    char serialNumber[64] = {};
    DWORD locId = 0;
    bool present = false;  // listed now
    bool open = false;
    int index = 0;
    DWORD arriving = 0;  // bytes still to arrive after the purge
    DWORD queued = 0;
    unsigned next = 0;  // value of the next byte read
};

Device slots[kSlots];
Device* devices[kMaxDevices] = {};  // the present adapters in index order
int deviceCount = 0;
DWORD queueAfterPurge = 0;

// What FT_CreateDeviceInfoList saw (unused in a build without the list calls).
struct ListedDevice {
    DWORD flags = 0;
    DWORD locId = 0;
    char serialNumber[64] = {};
    char description[128] = {};
    d2xx::Handle handle = nullptr;
};
[[maybe_unused]] ListedDevice listed[kMaxDevices];
[[maybe_unused]] int listedCount = 0;

void copyBounded(char* to, std::size_t size, const char* from, std::size_t length) {
    std::memset(to, 0, size);
    std::memcpy(to, from, length < size ? length : size - 1);
}

// A library text field of size bytes: NUL-terminated when the text is shorter, else full.
[[maybe_unused]] void fillField(char* field, std::size_t size, const char* text) {
    const std::size_t length = std::strlen(text);
    std::memset(field, 0, size);
    std::memcpy(field, text, length < size ? length : size);
}

// An adapter's kind, description, serial number and LocId from its item.
void describe(Device& device, char* item) {
    char* attribute = std::strchr(item, '|');
    if (attribute != nullptr) {
        *attribute++ = '\0';
    }
    if (std::strcmp(item, "unprogrammed") == 0) {
        device.kind = Kind::Unprogrammed;
    } else if (std::strcmp(item, "eeprom-fails") == 0) {
        device.kind = Kind::EepromFails;
    } else if (std::strcmp(item, "open-fails") == 0) {
        device.kind = Kind::OpenFails;
    } else {
        copyBounded(device.description, sizeof device.description, item, std::strlen(item));
    }
    while (attribute != nullptr) {
        char* end = std::strchr(attribute, '|');
        if (end != nullptr) {
            *end++ = '\0';
        }
        if (std::strncmp(attribute, "sn=", 3) == 0) {
            copyBounded(device.serialNumber, sizeof device.serialNumber, attribute + 3,
                        std::strlen(attribute + 3));
        } else if (std::strncmp(attribute, "loc=", 4) == 0) {
            device.locId = static_cast<DWORD>(std::strtoul(attribute + 4, nullptr, 16));
        }
        attribute = end;
    }
}

// The present adapter for one item: the open one with the same text that was not placed yet,
// else a free slot set up afresh. Null when every slot is taken.
Device* placeItem(char* item) {
    for (Device& device : slots) {
        if (device.open && !device.present && std::strcmp(device.item, item) == 0) {
            return &device;
        }
    }
    for (Device& device : slots) {
        if (!device.open && !device.present) {
            device = Device{};
            copyBounded(device.item, sizeof device.item, item, std::strlen(item));
            describe(device, item);
            return &device;
        }
    }
    return nullptr;
}

void loadConfiguration() {
    char text[1024] = {};
    deviceCount = 0;
    queueAfterPurge = 0;
    for (Device& device : slots) {
        device.present = false;  // open ones that are not placed again were unplugged
    }
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
            Device* device = placeItem(item);
            if (device != nullptr) {
                device->present = true;
                device->index = deviceCount;
                devices[deviceCount++] = device;
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

// The open adapter behind handle and the status a call on it gets: kOk, kInvalidHandle for a
// handle this library did not hand out (or closed), kIoError for an adapter unplugged since.
d2xx::Status use(d2xx::Handle handle, Device*& device) {
    loadConfiguration();
    device = nullptr;
    for (Device& slot : slots) {
        if (&slot == handle && slot.open) {
            device = &slot;
            return slot.present ? kOk : kIoError;
        }
    }
    return kInvalidHandle;
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
    Device& device = *devices[index];
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
    Device* device = nullptr;
    if (use(handle, device) == kInvalidHandle) {
        return kInvalidHandle;
    }
    device->open = false;
    if (device->present) {
        logLine("close %d", device->index);
    } else {
        logLine("close unplugged");
    }
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI FT_EE_Read(d2xx::Handle handle, d2xx::ProgramData* data) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
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
    copyBounded(data->serialNumber, d2xx::kSerialNumberSize, device->serialNumber,
                std::strlen(device->serialNumber));
    const std::size_t length = std::strlen(device->description);
    std::memcpy(data->description, device->description,
                length < d2xx::kDescriptionSize ? length + 1 : d2xx::kDescriptionSize);
    std::memset(data->chipFields, 0xA5, sizeof data->chipFields);
    return kOk;
}

#ifndef ZR8_FAKE_WITHOUT_DEVICE_INFO
__declspec(dllexport) d2xx::Status WINAPI
    FT_GetDeviceInfo(d2xx::Handle handle, ULONG* type, DWORD* id, char* serialNumber,
                     char* description, void* reserved) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    (void)reserved;
    if (type != nullptr) {
        *type = 5;  // FT232R
    }
    if (id != nullptr) {
        *id = 0x04036001;
    }
    if (serialNumber != nullptr) {
        fillField(serialNumber, d2xx::kInfoSerialNumberSize, device->serialNumber);
    }
    if (description != nullptr) {
        fillField(description, d2xx::kInfoDescriptionSize, device->description);
    }
    return kOk;
}
#endif

#ifndef ZR8_FAKE_WITHOUT_DEVICE_LIST
__declspec(dllexport) d2xx::Status WINAPI FT_CreateDeviceInfoList(DWORD* count) {
    if (count == nullptr) {
        return kInvalidArgs;
    }
    loadConfiguration();
    listedCount = deviceCount;
    for (int i = 0; i < deviceCount; ++i) {
        Device& device = *devices[i];
        ListedDevice& entry = listed[i];
        entry = ListedDevice{};
        entry.flags = device.open ? d2xx::kFlagOpened : 0;
        entry.locId = device.open ? 0 : device.locId;  // none for an open adapter
        copyBounded(entry.serialNumber, sizeof entry.serialNumber, device.serialNumber,
                    std::strlen(device.serialNumber));
        copyBounded(entry.description, sizeof entry.description, device.description,
                    std::strlen(device.description));
        entry.handle = device.open ? &device : nullptr;
    }
    *count = static_cast<DWORD>(listedCount);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id, DWORD* locId,
                           void* serialNumber, void* description, d2xx::Handle* handle) {
    if (index >= static_cast<DWORD>(listedCount)) {
        return kDeviceNotFound;
    }
    const ListedDevice& entry = listed[index];
    if (flags != nullptr) {
        *flags = entry.flags;
    }
    if (type != nullptr) {
        *type = 5;  // FT232R
    }
    if (id != nullptr) {
        *id = 0x04036001;
    }
    if (locId != nullptr) {
        *locId = entry.locId;
    }
    if (serialNumber != nullptr) {
        fillField(static_cast<char*>(serialNumber), d2xx::kInfoSerialNumberSize,
                  entry.serialNumber);
    }
    if (description != nullptr) {
        fillField(static_cast<char*>(description), d2xx::kInfoDescriptionSize, entry.description);
    }
    if (handle != nullptr) {
        *handle = entry.handle;
    }
    return kOk;
}
#endif

__declspec(dllexport) d2xx::Status WINAPI FT_SetBaudRate(d2xx::Handle handle, ULONG baudRate) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    logLine("baud %lu", baudRate);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_SetDataCharacteristics(d2xx::Handle handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    logLine("data %u %u %u", wordLength, stopBits, parity);
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_SetFlowControl(d2xx::Handle handle, USHORT mode, UCHAR xon, UCHAR xoff) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    logLine("flow %u %u %u", mode, xon, xoff);
    return kOk;
}

#ifndef ZR8_FAKE_WITHOUT_LATENCY
__declspec(dllexport) d2xx::Status WINAPI
    FT_SetLatencyTimer(d2xx::Handle handle, UCHAR milliseconds) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    logLine("latency %u", milliseconds);
    return kOk;
}
#endif

__declspec(dllexport) d2xx::Status WINAPI FT_Purge(d2xx::Handle handle, ULONG mask) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
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
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    if (waiting == nullptr) {
        return kInvalidHandle;
    }
    *waiting = device->queued;
    return kOk;
}

__declspec(dllexport) d2xx::Status WINAPI
    FT_Read(d2xx::Handle handle, void* buffer, DWORD length, DWORD* received) {
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    if (buffer == nullptr || received == nullptr) {
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
    Device* device = nullptr;
    const d2xx::Status status = use(handle, device);
    if (status != kOk) {
        return status;
    }
    if (bytes == nullptr || written == nullptr) {
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

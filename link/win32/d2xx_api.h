// Our declarations of the D2XX calls this program makes, written from FTDI's public D2XX
// documentation: the function types, the flags and the program-data record.
#pragma once

#include <windows.h>

#include <cstddef>

namespace d2xx {

using Handle = void*;
using Status = ULONG;

constexpr DWORD kListNumberOnly = 0x80000000;
// Flags of a device-list entry: the device is open (in this or another process).
constexpr DWORD kFlagOpened = 0x1;

// The EEPROM program data as FT_EE_Read takes it. Only the leading fields are named; the
// chip-specific fields that follow are written by the library and not read here. The library
// writes them all, so the record must be passed at its full size: 176 bytes on x64.
struct ProgramData {
    DWORD signature1;  // 0
    DWORD signature2;  // 0xFFFFFFFF
    DWORD version;     // 0 for the original record layout
    WORD vendorId;
    WORD productId;
    char* manufacturer;    // 32-byte buffer
    char* manufacturerId;  // 16-byte buffer
    char* description;     // 64-byte buffer
    char* serialNumber;    // 16-byte buffer
    unsigned char chipFields[128];
};
static_assert(offsetof(ProgramData, manufacturer) == 16, "text pointers follow the ids");
static_assert(sizeof(void*) != 8 || offsetof(ProgramData, serialNumber) == 40,
              "x64 pointer offsets 16/24/32/40");
static_assert(sizeof(void*) != 8 || sizeof(ProgramData) == 176, "x64 record is 176 bytes");

constexpr int kManufacturerSize = 32;
constexpr int kManufacturerIdSize = 16;
constexpr int kDescriptionSize = 64;
constexpr int kSerialNumberSize = 16;

using OpenFn = Status(WINAPI*)(int index, Handle* handle);
using CloseFn = Status(WINAPI*)(Handle handle);
using ReadFn = Status(WINAPI*)(Handle handle, void* buffer, DWORD length, DWORD* received);
using WriteFn = Status(WINAPI*)(Handle handle, void* bytes, DWORD length, DWORD* written);
using SetBaudRateFn = Status(WINAPI*)(Handle handle, ULONG baudRate);
using SetDataCharacteristicsFn = Status(WINAPI*)(Handle handle, UCHAR wordLength, UCHAR stopBits,
                                                 UCHAR parity);
using SetFlowControlFn = Status(WINAPI*)(Handle handle, USHORT mode, UCHAR xon, UCHAR xoff);
using PurgeFn = Status(WINAPI*)(Handle handle, ULONG mask);
using SetLatencyTimerFn = Status(WINAPI*)(Handle handle, UCHAR milliseconds);
using GetQueueStatusFn = Status(WINAPI*)(Handle handle, DWORD* waiting);
using ListDevicesFn = Status(WINAPI*)(void* first, void* second, DWORD flags);
using EeReadFn = Status(WINAPI*)(Handle handle, ProgramData* data);

// The texts FT_GetDeviceInfo and FT_GetDeviceInfoDetail write: a 16-byte serial number and a
// 64-byte description, NUL-terminated only when shorter.
constexpr int kInfoSerialNumberSize = 16;
constexpr int kInfoDescriptionSize = 64;
using GetDeviceInfoFn = Status(WINAPI*)(Handle handle, ULONG* type, DWORD* id, char* serialNumber,
                                        char* description, void* reserved);
// Builds the library's list of the devices attached now; FT_GetDeviceInfoDetail reads one entry
// of it by device index. Entries of open devices carry no LocId.
using CreateDeviceInfoListFn = Status(WINAPI*)(DWORD* count);
using GetDeviceInfoDetailFn = Status(WINAPI*)(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                              DWORD* locId, void* serialNumber, void* description,
                                              Handle* handle);

}  // namespace d2xx

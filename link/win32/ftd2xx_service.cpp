// Windows FTDI service: FTD2XX.dll loaded at run time, its functions found by export name.
#include "link/win32/ftd2xx_service.h"

#include <cstdio>
#include <cstring>

namespace {

d2xx::Handle toD2xx(FtdiHandle handle) {
    return reinterpret_cast<d2xx::Handle>(handle);
}

// GetProcAddress hands back a generic function pointer; each is cast to its documented type.
template <typename Function>
bool resolve(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

// A text field the library wrote, of the size its documentation gives: up to its first NUL (a
// full field has none), cut to fit with its NUL, each byte that is not printable ASCII as '?'.
template <std::size_t N>
void copyPrintable(char (&to)[N], const char* from, std::size_t fieldSize) {
    std::memset(to, 0, N);
    for (std::size_t i = 0; i < fieldSize && i + 1 < N && from[i] != '\0'; ++i) {
        const unsigned char byte = static_cast<unsigned char>(from[i]);
        to[i] = byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    }
}

}  // namespace

Ftd2xxService::Ftd2xxService(const char* libraryName) {
    std::strncpy(libraryName_, libraryName, sizeof libraryName_ - 1);
}

Ftd2xxService::~Ftd2xxService() {
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

bool Ftd2xxService::available() {
    if (loadTried_) {
        return library_ != nullptr;
    }
    loadTried_ = true;
    // No "cannot find" box from the system when the DLL is missing.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Beside the program and the system folders (where FTDI's driver puts it), never the
    // current folder. Systems without the search flags reject them: the plain search then.
    HMODULE library = LoadLibraryExA(libraryName_, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (library == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        library = LoadLibraryA(libraryName_);
    }
    SetErrorMode(previousMode);
    if (library == nullptr) {
        return false;
    }
    Functions found;
    const bool complete =
        resolve(library, "FT_Open", found.open) && resolve(library, "FT_Close", found.close) &&
        resolve(library, "FT_Read", found.read) && resolve(library, "FT_Write", found.write) &&
        resolve(library, "FT_SetBaudRate", found.setBaudRate) &&
        resolve(library, "FT_SetDataCharacteristics", found.setDataCharacteristics) &&
        resolve(library, "FT_SetFlowControl", found.setFlowControl) &&
        resolve(library, "FT_Purge", found.purge) &&
        resolve(library, "FT_GetQueueStatus", found.getQueueStatus) &&
        resolve(library, "FT_ListDevices", found.listDevices) &&
        resolve(library, "FT_EE_Read", found.eeRead);
    resolve(library, "FT_SetLatencyTimer", found.setLatencyTimer);
    resolve(library, "FT_GetDeviceInfo", found.getDeviceInfo);
    resolve(library, "FT_CreateDeviceInfoList", found.createDeviceInfoList);
    resolve(library, "FT_GetDeviceInfoDetail", found.getDeviceInfoDetail);
    if (!complete) {
        // An incomplete or foreign DLL counts as no DLL at all.
        FreeLibrary(library);
        return false;
    }
    functions_ = found;
    library_ = library;
    return true;
}

FtdiStatus Ftd2xxService::countDevices(std::uint32_t& count) {
    count = 0;
    if (!available()) {
        return kFtdiOk;  // no library: no adapter
    }
    DWORD found = 0;
    const FtdiStatus status = functions_.listDevices(&found, nullptr, d2xx::kListNumberOnly);
    if (status == kFtdiOk) {
        count = found;
    }
    return status;
}

FtdiStatus Ftd2xxService::openByIndex(std::int32_t index, FtdiHandle& handle) {
    if (!available()) {
        return kFtdiDeviceNotFound;
    }
    // The list has no LocId for an open device: its entry is read first.
    ListedHandle entry;
    const bool listed = readListEntry(index, entry);
    d2xx::Handle opened = nullptr;
    const FtdiStatus status = functions_.open(index, &opened);
    if (status == kFtdiOk && opened != nullptr) {
        handle = reinterpret_cast<FtdiHandle>(opened);
        ListedHandle* slot = listedOf(opened);  // a stale entry for a handle value reused
        slot = slot != nullptr ? slot : listedOf(nullptr);
        if (slot != nullptr) {
            *slot = ListedHandle{};
            if (listed) {
                *slot = entry;
                slot->handle = opened;
            }
        }
    }
    return status;
}

bool Ftd2xxService::readListEntry(std::int32_t index, ListedHandle& entry) {
    if (functions_.createDeviceInfoList == nullptr || functions_.getDeviceInfoDetail == nullptr ||
        index < 0) {
        return false;
    }
    DWORD count = 0;
    if (functions_.createDeviceInfoList(&count) != kFtdiOk || static_cast<DWORD>(index) >= count) {
        return false;
    }
    DWORD flags = 0;
    DWORD type = 0;
    DWORD id = 0;
    DWORD locId = 0;
    // Larger than the documented fields; only those are read.
    char serialNumber[4 * d2xx::kInfoSerialNumberSize] = {};
    char description[2 * d2xx::kInfoDescriptionSize] = {};
    d2xx::Handle handle = nullptr;
    if (functions_.getDeviceInfoDetail(static_cast<DWORD>(index), &flags, &type, &id, &locId,
                                       serialNumber, description, &handle) != kFtdiOk ||
        (flags & d2xx::kFlagOpened) != 0) {
        return false;  // the entry of a device open elsewhere holds nothing but its flags
    }
    entry = ListedHandle{};
    copyPrintable(entry.serialNumber, serialNumber, d2xx::kInfoSerialNumberSize);
    entry.locId = locId;
    return true;
}

Ftd2xxService::ListedHandle* Ftd2xxService::listedOf(d2xx::Handle handle) {
    for (ListedHandle& slot : listed_) {
        if (slot.handle == handle) {
            return &slot;
        }
    }
    return nullptr;
}

FtdiStatus Ftd2xxService::readDescription(FtdiHandle handle,
                                          char (&description)[kFtdiDescriptionSize]) {
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    static_assert(d2xx::kDescriptionSize == kFtdiDescriptionSize, "one description size");
    char manufacturer[d2xx::kManufacturerSize] = {};
    char manufacturerId[d2xx::kManufacturerIdSize] = {};
    char text[d2xx::kDescriptionSize] = {};
    char serialNumber[d2xx::kSerialNumberSize] = {};
    // The whole record, zeroed: the library fills the chip-specific fields after the pointers.
    d2xx::ProgramData data;
    std::memset(&data, 0, sizeof data);
    data.signature1 = 0;
    data.signature2 = 0xFFFFFFFF;
    data.version = 0;
    data.manufacturer = manufacturer;
    data.manufacturerId = manufacturerId;
    data.description = text;
    data.serialNumber = serialNumber;
    const FtdiStatus status = functions_.eeRead(toD2xx(handle), &data);
    if (status == kFtdiOk) {
        // All 64 bytes are the adapter's: a full description carries no NUL.
        std::memcpy(description, text, sizeof description);
    }
    return status;
}

FtdiStatus Ftd2xxService::setBaudRate(FtdiHandle handle, std::uint32_t baudRate) {
    return available() ? functions_.setBaudRate(toD2xx(handle), baudRate) : kFtdiInvalidHandle;
}

FtdiStatus Ftd2xxService::setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                                 std::uint8_t stopBits, std::uint8_t parity) {
    return available()
               ? functions_.setDataCharacteristics(toD2xx(handle), wordLength, stopBits, parity)
               : kFtdiInvalidHandle;
}

FtdiStatus Ftd2xxService::setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                                         std::uint8_t xoff) {
    return available() ? functions_.setFlowControl(toD2xx(handle), mode, xon, xoff)
                       : kFtdiInvalidHandle;
}

FtdiStatus Ftd2xxService::purge(FtdiHandle handle, std::uint32_t mask) {
    return available() ? functions_.purge(toD2xx(handle), mask) : kFtdiInvalidHandle;
}

FtdiStatus Ftd2xxService::setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) {
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    if (functions_.setLatencyTimer == nullptr) {
        return kFtdiNotSupported;
    }
    return functions_.setLatencyTimer(toD2xx(handle), milliseconds);
}

FtdiStatus Ftd2xxService::queueStatus(FtdiHandle handle, std::uint32_t& waiting) {
    waiting = 0;
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    DWORD queued = 0;
    const FtdiStatus status = functions_.getQueueStatus(toD2xx(handle), &queued);
    if (status == kFtdiOk) {
        waiting = queued;
    }
    return status;
}

FtdiStatus Ftd2xxService::read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                               std::uint32_t& received) {
    received = 0;
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    DWORD count = 0;
    const FtdiStatus status = functions_.read(toD2xx(handle), buffer, length, &count);
    received = count;
    return status;
}

FtdiStatus Ftd2xxService::write(FtdiHandle handle, const std::uint8_t* bytes, std::uint32_t length,
                                std::uint32_t& written) {
    written = 0;
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    DWORD count = 0;
    // The library's write takes a non-const pointer but only reads the bytes.
    const FtdiStatus status =
        functions_.write(toD2xx(handle), const_cast<std::uint8_t*>(bytes), length, &count);
    written = count;
    return status;
}

FtdiStatus Ftd2xxService::close(FtdiHandle handle) {
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    ListedHandle* slot = handle != nullptr ? listedOf(toD2xx(handle)) : nullptr;
    if (slot != nullptr) {
        *slot = ListedHandle{};
    }
    return functions_.close(toD2xx(handle));
}

FtdiStatus Ftd2xxService::readIdentity(FtdiHandle handle, FtdiIdentity& identity) {
    identity = FtdiIdentity{};
    if (!available()) {
        return kFtdiInvalidHandle;
    }
    const ListedHandle* entry = handle != nullptr ? listedOf(toD2xx(handle)) : nullptr;
    if (functions_.getDeviceInfo != nullptr) {
        ULONG type = 0;
        DWORD id = 0;
        char serialNumber[4 * d2xx::kInfoSerialNumberSize] = {};
        char description[2 * d2xx::kInfoDescriptionSize] = {};
        const FtdiStatus status = functions_.getDeviceInfo(toD2xx(handle), &type, &id, serialNumber,
                                                           description, nullptr);
        if (status != kFtdiOk) {
            return status;
        }
        copyPrintable(identity.serialNumber, serialNumber, d2xx::kInfoSerialNumberSize);
    } else if (entry != nullptr) {
        std::memcpy(identity.serialNumber, entry->serialNumber, sizeof identity.serialNumber);
    } else {
        return kFtdiNotSupported;
    }
    // LocId 0: the library did not tell.
    if (entry != nullptr && entry->locId != 0 &&
        std::strcmp(entry->serialNumber, identity.serialNumber) == 0) {
        std::snprintf(identity.place, sizeof identity.place, "loc 0x%08lX",
                      static_cast<unsigned long>(entry->locId));
    }
    return kFtdiOk;
}

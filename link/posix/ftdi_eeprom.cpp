// Linux FTDI layer: the product description from raw EEPROM bytes, with every access bounded.
#include "link/posix/ftdi_eeprom.h"

#include <algorithm>
#include <cstring>

namespace {

bool allBytesAre(const std::uint8_t* bytes, std::size_t size, std::uint8_t value) {
    return std::all_of(bytes, bytes + size, [value](std::uint8_t byte) { return byte == value; });
}

bool isPowerOfTwo(std::size_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

}  // namespace

std::size_t eepromSizeFromContents(const std::uint8_t (&eeprom)[kEepromReadSize],
                                   std::uint16_t deviceRelease) {
    constexpr std::uint16_t kFt232rRelease = 0x0600;
    if (deviceRelease == kFt232rRelease) {
        return 0x80;
    }
    if (std::memcmp(eeprom, eeprom + 0x40, 0x40) == 0 &&
        std::memcmp(eeprom, eeprom + 0x80, 0x80) == 0) {
        return 0x40;
    }
    if (std::memcmp(eeprom, eeprom + 0x80, 0x80) == 0) {
        return 0x80;
    }
    return kEepromReadSize;
}

FtdiStatus descriptionFromEeprom(const std::uint8_t* eeprom, std::size_t size,
                                 char (&description)[kFtdiDescriptionSize]) {
    std::memset(description, 0, sizeof description);
    if (eeprom == nullptr || size <= kEepromProductLengthAt) {
        return kFtdiEepromNotProgrammed;
    }
    if (allBytesAre(eeprom, size, 0xFF) || allBytesAre(eeprom, size, 0x00)) {
        return kFtdiEepromNotProgrammed;
    }

    const std::size_t length = eeprom[kEepromProductLengthAt];
    if (length == 0) {
        return kFtdiOk;  // programmed without a product string
    }
    std::size_t offset = eeprom[kEepromProductOffsetAt];
    if (isPowerOfTwo(size)) {
        offset &= size - 1;  // the chip's own wrap, which drops the flag bit on small parts
    }
    // The descriptor's two header bytes must lie inside, and must say "string".
    if (offset + 2 > size || eeprom[offset + 1] != kUsbStringDescriptorType) {
        return kFtdiEepromNotProgrammed;
    }
    // The length byte of the layout and the descriptor's own must both allow a character.
    const std::size_t descriptorLength = std::min<std::size_t>(length, eeprom[offset]);
    if (descriptorLength < 2) {
        return kFtdiEepromNotProgrammed;
    }
    const std::size_t end = std::min(offset + descriptorLength, size);

    std::size_t count = 0;
    for (std::size_t at = offset + 2; at + 1 < end && count < sizeof description; at += 2) {
        const std::uint8_t low = eeprom[at];
        const std::uint8_t high = eeprom[at + 1];
        if (low == 0 && high == 0) {
            break;
        }
        const bool printable = high == 0 && low >= 0x20 && low < 0x7F;
        description[count++] = printable ? static_cast<char>(low) : '?';
    }
    return kFtdiOk;
}

// Linux FTDI layer: the product description read out of an adapter's raw EEPROM bytes.
//
// The EEPROM's contents come from the adapter and are not trusted: the parse never reads
// outside the bytes it is given, whatever their offsets and lengths say.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/ftdi_service.h"

// The EEPROM layout FTDI's chips share: byte 0x10 holds the address of the product string
// descriptor (with bit 7 set on the small 93C46 parts, where addresses wrap at the EEPROM's
// size), byte 0x11 its length in bytes, header included. The descriptor is a USB string
// descriptor: its length, the type 0x03, then UTF-16LE characters.
constexpr std::size_t kEepromProductOffsetAt = 0x10;
constexpr std::size_t kEepromProductLengthAt = 0x11;
constexpr std::uint8_t kUsbStringDescriptorType = 0x03;

// Fills description (all 64 bytes: the text, then NULs; a text of 64 characters has no NUL)
// from the size bytes of an EEPROM. Results:
//   kFtdiOk                  - the product description, possibly empty (no product string);
//   kFtdiEepromNotProgrammed - a blank EEPROM (all 0xFF, as erased, or all 0x00), or one whose
//                              product string is not a string descriptor inside the EEPROM.
// A descriptor that runs past the end of the EEPROM is cut there; an odd last byte is ignored.
// Characters outside printable ASCII become '?', so that no control or stray byte reaches a
// label; a NUL character ends the text.
// How many of the 256 bytes read from an adapter's EEPROM are the EEPROM (the read wraps around
// on smaller parts): 128 on an FT232R (release 0x0600, whose EEPROM is internal), else 64 or 128
// when the bytes repeat at that distance throughout, else 256.
constexpr std::size_t kEepromReadSize = 256;
std::size_t eepromSizeFromContents(const std::uint8_t (&eeprom)[kEepromReadSize],
                                   std::uint16_t deviceRelease);

FtdiStatus descriptionFromEeprom(const std::uint8_t* eeprom, std::size_t size,
                                 char (&description)[kFtdiDescriptionSize]);

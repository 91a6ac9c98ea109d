// A unit's serial number as the technician types it or the barcode scanner sends it, and the
// form of it that may go into a file name.
#pragma once

#include <string>

constexpr std::size_t kUnitSerialLimit = 64;

// Takes the text without the blanks around it. false with a one-line error when nothing is
// left, when it is longer than kUnitSerialLimit, or when it holds a control character.
bool checkUnitSerial(const std::string& text, std::string& unit, std::string& error);

// The serial for a file name: letters A-Z and a-z, digits, '-' and '_' are kept, every other
// byte becomes '_' (so no folder separator, no dot and with it no "..", no drive colon, no
// character a file system may refuse), cut to kUnitSerialLimit bytes.
std::string unitFileStem(const std::string& unit);

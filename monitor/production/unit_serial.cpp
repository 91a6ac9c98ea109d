// Checking a unit's serial and making it safe for a file name.
#include "monitor/production/unit_serial.h"

#include "text/text_escape.h"

bool checkUnitSerial(const std::string& text, std::string& unit, std::string& error) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) {
        error = "the unit serial is empty: type or scan it again";
        return false;
    }
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    const std::string trimmed = text.substr(start, end + 1 - start);
    if (trimmed.size() > kUnitSerialLimit) {
        error = "the unit serial is longer than " + std::to_string(kUnitSerialLimit) +
                " characters: " + jsonString(trimmed.substr(0, 20)) + "...";
        return false;
    }
    for (char c : trimmed) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            error = "the unit serial " + jsonString(trimmed) + " holds a control character";
            return false;
        }
    }
    unit = trimmed;
    return true;
}

std::string unitFileStem(const std::string& unit) {
    std::string stem = unit.substr(0, kUnitSerialLimit);
    for (char& c : stem) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!kept) {
            c = '_';
        }
    }
    return stem.empty() ? "_" : stem;
}

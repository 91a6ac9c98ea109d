// The connection table: one row per COM port or FTDI adapter that the hardware scan found, the
// row the user selected and the serial line speed chosen.
#pragma once

#include <cstdint>

constexpr int kConnectionTableSize = 100;
constexpr int kConnectionLabelSize = 256;
constexpr std::int16_t kSerialConnection = 0;
constexpr std::int16_t kUsbConnection = 1;

struct ConnectionEntry {
    std::int16_t kind = kSerialConnection;  // 0 serial COM port, 1 USB (FTDI) adapter
    std::int16_t index = 0;  // serial: port number - 1 (0 = COM1); USB: device index at scan time
    char label[kConnectionLabelSize] = {};
};

struct ConnectionTable {
    ConnectionEntry rows[kConnectionTableSize];
    std::int16_t connectionCount = 0;
    std::int16_t selectedConnection = -1;  // -1 = none
    std::int16_t speedChoice = 0;          // 0 = 9600 baud, anything else 38400 baud
};

ConnectionTable& connectionTable();

// Appends a row; label is copied and cut to fit. Returns 0, and changes nothing, when the table
// is full.
int appendConnection(std::int16_t kind, std::int16_t index, const char* label);

// The selected row, or null when none is selected (or the selection is not a valid row).
const ConnectionEntry* selectedConnectionEntry();

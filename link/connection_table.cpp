// The process-wide connection table.
#include "link/connection_table.h"

#include <cstdio>

ConnectionTable& connectionTable() {
    static ConnectionTable table;
    return table;
}

int appendConnection(std::int16_t kind, std::int16_t index, const char* label) {
    ConnectionTable& table = connectionTable();
    if (table.connectionCount < 0 || table.connectionCount >= kConnectionTableSize) {
        return 0;
    }
    ConnectionEntry& row = table.rows[table.connectionCount];
    row.kind = kind;
    row.index = index;
    std::snprintf(row.label, sizeof row.label, "%s", label);
    table.connectionCount = static_cast<std::int16_t>(table.connectionCount + 1);
    return 1;
}

const ConnectionEntry* selectedConnectionEntry() {
    const ConnectionTable& table = connectionTable();
    if (table.selectedConnection < 0 || table.selectedConnection >= table.connectionCount) {
        return nullptr;
    }
    return &table.rows[table.selectedConnection];
}

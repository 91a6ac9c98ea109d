// Scan, choice and opening of a connection for the monitor.
#include "monitor/program/connection.h"

#include <cctype>
#include <cstdlib>

#include "app/connection_window.h"
#include "link/connection_table.h"
#include "link/device_link.h"

namespace {

std::string upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::vector<std::string> scanConnections() {
    // The rows come from the connection table; the scan's window updates go to the silent
    // window services, which have no window to give it.
    scanHardware(nullptr);
    std::vector<std::string> labels;
    const ConnectionTable& table = connectionTable();
    for (int row = 0; row < table.connectionCount; ++row) {
        labels.emplace_back(table.rows[row].label);
    }
    return labels;
}

int findConnection(const std::vector<std::string>& labels, const std::string& name) {
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos &&
        name.size() <= 4) {
        const int number = std::atoi(name.c_str());
        return number >= 1 && number <= static_cast<int>(labels.size()) ? number - 1 : -1;
    }
    const std::string wanted = upper(name);
    for (std::size_t row = 0; row < labels.size(); ++row) {
        const std::string label = upper(labels[row]);
        if (label == wanted || label == "COMM - " + wanted) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

bool openConnection(int row, int speed, std::string& error) {
    ConnectionTable& table = connectionTable();
    if (row < 0 || row >= table.connectionCount) {
        error = "no such connection";
        return false;
    }
    table.selectedConnection = static_cast<std::int16_t>(row);
    table.speedChoice = speed == 9600 ? 0 : 1;
    const ConnectionEntry& entry = table.rows[row];
    openSelectedConnection();
    const DeviceLinkState& link = deviceLinkState();
    if (link.serialHandle == nullptr && link.usbHandle == nullptr) {
        error = std::string("cannot open ") + entry.label +
                " (in use by another program, or unplugged since the scan)";
        return false;
    }
    return true;
}

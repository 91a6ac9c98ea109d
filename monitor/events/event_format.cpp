// Text and JSON lines of monitor events.
#include "monitor/events/event_format.h"

#include <cstdio>

#include "monitor/catalog/slot_catalog.h"
#include "text/text_escape.h"

namespace {

std::string secondsText(double seconds, const char* format) {
    char text[48];
    std::snprintf(text, sizeof text, format, seconds);
    return text;
}

// Text from the panel (module names are ours, the mainboard read-out is built from its bytes):
// control characters would move the terminal's cursor, so they are shown as "?".
std::string printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            c = '?';
        }
    }
    return out;
}

}  // namespace

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const std::uint8_t byte : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        if (!out.empty()) {
            out += ' ';
        }
        out += hex;
    }
    return out;
}

std::string formatEventText(const MonitorEvent& event, bool withRaw) {
    std::string line = secondsText(event.seconds, "%10.3f  ");
    switch (event.kind) {
        case MonitorEventKind::Slot:
            line += slotName(event.slot) + ": " + event.oldText + " -> " + event.newText;
            break;
        case MonitorEventKind::Module:
            line += "module: " + printable(event.moduleName) + " (type " +
                    std::to_string(event.moduleType) + "), version " +
                    std::to_string(event.version);
            break;
        case MonitorEventKind::Mainboard:
            line += "mainboard: " + printable(event.mainboard);
            break;
    }
    if (withRaw) {
        line += "  [" + hexBytes(event.raw) + "]";
    }
    return line;
}

std::string formatEventJson(const MonitorEvent& event, bool withRaw) {
    std::string line = "{\"t\":" + secondsText(event.seconds, "%.6f");
    switch (event.kind) {
        case MonitorEventKind::Slot: {
            const SlotInfo& info = slotInfo(event.slot);
            line += ",\"event\":\"slot\",\"slot\":" + std::to_string(event.slot) +
                    ",\"group\":" + jsonString(info.groupBox) +
                    ",\"label\":" + jsonString(info.label);
            // For the elevator trim "old" and "new" are the trim counter; the texts say the
            // direction.
            line += ",\"old\":" + std::to_string(event.oldValue) +
                    ",\"new\":" + std::to_string(event.newValue);
            line += ",\"oldText\":" + jsonString(event.oldText) +
                    ",\"newText\":" + jsonString(event.newText);
            break;
        }
        case MonitorEventKind::Module:
            line += ",\"event\":\"module\",\"type\":" + std::to_string(event.moduleType) +
                    ",\"version\":" + std::to_string(event.version) +
                    ",\"name\":" + jsonString(event.moduleName);
            break;
        case MonitorEventKind::Mainboard:
            line += ",\"event\":\"mainboard\",\"text\":" + jsonString(event.mainboard);
            break;
    }
    if (withRaw) {
        line += ",\"raw\":\"" + hexBytes(event.raw) + "\"";
    }
    line += '}';
    return line;
}

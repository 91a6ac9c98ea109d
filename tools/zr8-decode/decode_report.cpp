// JSON summary of the decoder's final state.
#include "tools/zr8-decode/decode_report.h"

#include <cstdio>

#include "protocol/report_state.h"

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            // Control characters (a mainboard may send any code as a letter) and anything
            // outside ASCII travel as escapes, so the output stays valid JSON and plain ASCII.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string decodeReportJson(const std::string& mainboard,
                             const std::vector<std::string>& modules) {
    const ReportState& state = reportState();
    std::string out = "{\"slots\":[";
    for (int i = 0; i < kSlotCount; ++i) {
        if (i > 0) {
            out += ',';
        }
        out += std::to_string(state.receivedSlots[i]);
    }
    char fullScale[32];
    std::snprintf(fullScale, sizeof fullScale, "%.1f", static_cast<double>(state.fullScale));
    out += "],\"trimCounter\":" + std::to_string(state.trimCounter);
    out += ",\"fullScale\":";
    out += fullScale;
    out += ",\"mainboard\":" + jsonString(mainboard) + ",\"modules\":[";
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += jsonString(modules[i]);
    }
    out += "]}";
    return out;
}

// JSON summary of the decoder's final state.
#include "tools/zr8-decode/decode_report.h"

#include <cstdio>

#include "protocol/report_state.h"
#include "text/text_escape.h"

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

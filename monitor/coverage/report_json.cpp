// The session report as JSON, laid out one module, item and answer per line.
#include <cstddef>
#include <string>

#include "monitor/catalog/slot_catalog.h"
#include "monitor/coverage/decimal_text.h"
#include "monitor/coverage/session_report.h"
#include "text/text_escape.h"

namespace {

const char* boolean(bool value) {
    return value ? "true" : "false";
}

std::string itemJson(const CoverageItem& item, bool required) {
    std::string out = "{\"slot\":" + std::to_string(item.slot);
    if (item.slot >= 0 && item.slot < kCatalogSlotCount) {
        const SlotInfo& info = slotInfo(item.slot);
        out += ",\"module\":" + std::to_string(info.moduleType);
        out += ",\"groupBox\":" + jsonString(info.groupBox);
        out += ",\"label\":" + jsonString(info.label);
    } else {
        out += ",\"module\":null,\"groupBox\":null,\"label\":null";
    }
    out += ",\"value\":" + jsonString(item.value);
    out += ",\"required\":";
    out += boolean(required);
    out += ",\"seen\":";
    out += boolean(item.seen);
    out += ",\"firstSeenSeconds\":";
    out += item.seen ? fixedDecimal(item.firstSeenSeconds, 3) : "null";
    out += ",\"outcome\":";
    out += !required ? "\"not required\"" : item.seen ? "\"pass\"" : "\"fail\"";
    return out + "}";
}

}  // namespace

std::string sessionReportJson(const SessionReport& report) {
    std::string out = "{\"startedAt\":" + jsonString(report.startedAt);
    out += ",\"seconds\":" + fixedDecimal(report.seconds, 3);
    out += ",\"connection\":" + jsonString(report.connection);
    out += ",\"mainboard\":" + jsonString(report.mainboard);
    out += ",\"passed\":";
    out += boolean(report.passed);
    out += productionRecordJson(report.record, report.profile);
    out += ",\n\"modules\":[";
    for (std::size_t i = 0; i < report.modules.size(); ++i) {
        const SessionReport::Module& module = report.modules[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"type\":" + std::to_string(module.type) +
               ",\"version\":" + std::to_string(module.version) +
               ",\"name\":" + jsonString(module.name) + "}";
    }
    const int required = report.requiredItems();
    const int seen = report.seenRequiredItems();
    out += "],\n\"coverage\":{\"run\":";
    out += boolean(report.coverageRun);
    out += ",\"required\":" + std::to_string(required) + ",\"seen\":" + std::to_string(seen);
    out += ",\"items\":[";
    for (std::size_t i = 0; i < report.coverage.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += itemJson(report.coverage[i], report.requiredAt(i));
    }
    out += "]},\n\"outputTest\":[";
    for (std::size_t i = 0; i < report.outputTest.size(); ++i) {
        const SessionReport::OutputAnswer& answer = report.outputTest[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"step\":" + jsonString(answer.step) +
               ",\"answer\":" + jsonString(std::string(1, answer.answer)) + "}";
    }
    out += "]";
    out += linkReportJson(report.link);
    out += "}\n";
    return out;
}

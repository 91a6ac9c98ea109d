// The production record and the profile items in the report's two documents.
#include "monitor/coverage/report_record.h"

#include "text/text_escape.h"

namespace {

std::string textOrNull(const std::string& text) {
    return text.empty() ? "null" : jsonString(text);
}

const char* ruleWord(const ProfileItem& item) {
    if (!item.inProfile) {
        return "unexpected";
    }
    return item.optional ? "optional" : "required";
}

std::string row(const char* heading, const std::string& html) {
    return std::string("<tr><th>") + heading + "</th><td>" + html + "</td></tr>\n";
}

}  // namespace

const char* attemptWord(int attempt) {
    if (attempt <= 0) {
        return "";
    }
    return attempt == 1 ? "first attempt" : "retest";
}

std::string productionRecordJson(const ProductionRecord& record, const ProfileRecord& profile) {
    std::string out = ",\"toolVersion\":" + jsonString(record.toolVersion);
    out += ",\"endedAt\":" + jsonString(record.endedAt);
    out += ",\n\"unit\":" + textOrNull(record.unit);
    out += ",\"operator\":" + textOrNull(record.operatorName);
    out += ",\"station\":" + textOrNull(record.station);
    if (record.attempt > 0) {
        out += ",\"attempt\":" + std::to_string(record.attempt);
        out += record.attempt > 1 ? ",\"retest\":true" : ",\"retest\":false";
    } else {
        out += ",\"attempt\":null,\"retest\":null";
    }
    if (!profile.run) {
        return out + ",\n\"profile\":null";
    }
    out += ",\n\"profile\":{\"name\":" + jsonString(profile.name) + ",\"passed\":";
    out += profilePassed(profile.items) ? "true" : "false";
    out += ",\"modules\":[";
    for (std::size_t i = 0; i < profile.items.size(); ++i) {
        const ProfileItem& item = profile.items[i];
        out += i == 0 ? "\n" : ",\n";
        out += "{\"type\":" + std::to_string(item.type) +
               ",\"name\":" + jsonString(moduleTypeName(item.type)) + ",\"rule\":\"" +
               ruleWord(item) + "\",\"minVersion\":" + std::to_string(item.minVersion) +
               ",\"version\":" + (item.version < 0 ? "null" : std::to_string(item.version)) +
               ",\"outcome\":\"" + profileOutcomeWord(item.outcome) +
               "\",\"passed\":" + (item.passed() ? "true" : "false") + "}";
    }
    return out + "]}";
}

std::string productionRecordHtmlRows(const ProductionRecord& record, const ProfileRecord& profile) {
    std::string out;
    if (!record.unit.empty()) {
        out += row("Unit", htmlText(record.unit));
    }
    if (record.attempt > 0) {
        out += row("Attempt",
                   std::to_string(record.attempt) + " (" + attemptWord(record.attempt) + ")");
    }
    if (!record.operatorName.empty()) {
        out += row("Operator", htmlText(record.operatorName));
    }
    if (!record.station.empty()) {
        out += row("Station", htmlText(record.station));
    }
    if (profile.run) {
        out += row("Profile", htmlText(profile.name));
    }
    out += row("Tool version", htmlText(record.toolVersion));
    out += row("Ended", htmlText(record.endedAt));
    return out;
}

std::string profileHtmlSection(const ProfileRecord& profile) {
    if (!profile.run) {
        return "";
    }
    std::string out = "<h2>Expected modules: " + htmlText(profile.name) + "</h2>\n";
    out +=
        "<table>\n<tr><th>Type</th><th>Module</th><th>Rule</th><th>Version</th>"
        "<th>Outcome</th></tr>\n";
    for (const ProfileItem& item : profile.items) {
        std::string rule = ruleWord(item);
        if (item.minVersion > 0) {
            rule += ", version " + std::to_string(item.minVersion) + " or later";
        }
        const std::string outcome = profileOutcomeWord(item.outcome);
        out += "<tr><td>" + std::to_string(item.type) + "</td><td>" +
               htmlText(moduleTypeName(item.type)) + "</td><td>" + rule + "</td><td>" +
               (item.version < 0 ? std::string("-") : std::to_string(item.version)) + "</td><td>" +
               (item.passed() ? outcome : "<span class=\"missing\">" + outcome + "</span>") +
               "</td></tr>\n";
    }
    return out + "</table>\n";
}

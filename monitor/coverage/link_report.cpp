// The link's part of the session report, as JSON and as a section of the HTML page.
#include "monitor/coverage/link_report.h"

#include "monitor/coverage/decimal_text.h"
#include "text/text_escape.h"

namespace {

const char* stateWord(const LinkReport::Event& event) {
    return event.lost ? "lost" : "restored";
}

std::string row(const std::string& heading, const std::string& text) {
    return "<tr><th>" + heading + "</th><td>" + text + "</td></tr>\n";
}

}  // namespace

std::string linkReportJson(const LinkReport& link) {
    std::string out = ",\n\"link\":{\"adapter\":";
    if (link.adapter) {
        out += "{\"serialNumber\":" + jsonString(link.adapterSerialNumber) +
               ",\"description\":" + jsonString(link.adapterDescription) + "}";
    } else {
        out += "null";
    }
    out += ",\"events\":[";
    for (std::size_t i = 0; i < link.events.size(); ++i) {
        out += i == 0 ? "" : ",";
        out += "{\"t\":" + fixedDecimal(link.events[i].seconds, 3) + ",\"state\":\"" +
               stateWord(link.events[i]) + "\"}";
    }
    out += "],\"health\":{\"bytes\":" + std::to_string(link.bytes) +
           ",\"records\":" + std::to_string(link.records) +
           ",\"dropped\":" + std::to_string(link.dropped) +
           ",\"cutOff\":" + std::to_string(link.cutOff) +
           ",\"bytesPerSecond\":" + fixedDecimal(link.bytesPerSecond, 1) + "}}";
    return out;
}

std::string linkReportHtml(const LinkReport& link) {
    std::string out = "<h2>Link</h2>\n<table>\n";
    if (link.adapter) {
        out += row("Adapter serial number", link.adapterSerialNumber.empty()
                                                ? "<span class=\"dim\">none</span>"
                                                : htmlText(link.adapterSerialNumber));
        out += row("Adapter description", htmlText(link.adapterDescription));
    }
    out += row("Bytes received", std::to_string(link.bytes));
    out += row("Records", std::to_string(link.records));
    out += row("Data bytes dropped", std::to_string(link.dropped));
    out += row("Records cut off", std::to_string(link.cutOff));
    out += row("Bytes per second", fixedDecimal(link.bytesPerSecond, 1));
    out += "</table>\n";
    if (link.events.empty()) {
        return out + "<p>The link stayed up the whole session.</p>\n";
    }
    out += "<table>\n<tr><th>Time (s)</th><th>Link</th></tr>\n";
    for (const LinkReport::Event& event : link.events) {
        out += "<tr><td>" + fixedDecimal(event.seconds, 3) + "</td><td>" +
               (event.lost ? "<span class=\"missing\">lost</span>" : std::string("restored")) +
               "</td></tr>\n";
    }
    return out + "</table>\n";
}

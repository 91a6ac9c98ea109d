// The session report as one self-contained HTML page: inline style, no scripts, nothing loaded.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "monitor/catalog/slot_catalog.h"
#include "monitor/coverage/decimal_text.h"
#include "monitor/coverage/session_report.h"
#include "text/text_escape.h"

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:2em;color:#222}"
    "table{border-collapse:collapse;margin-bottom:1em}"
    "th,td{border:1px solid #bbb;padding:.25em .6em;text-align:left;vertical-align:top}"
    "th{background:#eee}"
    ".banner{font-size:2em;font-weight:bold;padding:.3em .8em;display:inline-block}"
    ".pass{background:#2e7d32;color:#fff}.fail{background:#c62828;color:#fff}"
    ".value{display:inline-block;margin-right:.8em}"
    ".missing{background:#ffcdd2;color:#b71c1c;font-weight:bold;padding:0 .3em}"
    ".dim{color:#777}";

std::string groupBoxOf(int slot) {
    return slot >= 0 && slot < kCatalogSlotCount ? slotInfo(slot).groupBox : "Other slots";
}

std::string labelOf(int slot) {
    return slot >= 0 && slot < kCatalogSlotCount ? slotInfo(slot).label
                                                 : "slot " + std::to_string(slot);
}

std::string row(const std::string& heading, const std::string& text) {
    return "<tr><th>" + heading + "</th><td>" + text + "</td></tr>\n";
}

std::string answerText(char answer) {
    switch (answer) {
        case 'y':
            return "yes";
        case 'n':
            return "<span class=\"missing\">no</span>";
        case '?':
            return "<span class=\"dim\">not answered</span>";
        default:
            return htmlText(std::string(1, answer));
    }
}

std::string modulesSection(const SessionReport& report) {
    std::string out = "<h2>Modules</h2>\n";
    if (report.modules.empty()) {
        return out + "<p>No module announced itself.</p>\n";
    }
    out += "<table>\n<tr><th>Type</th><th>Module</th><th>Version</th></tr>\n";
    for (const SessionReport::Module& module : report.modules) {
        out += "<tr><td>" + std::to_string(module.type) + "</td><td>" + htmlText(module.name) +
               "</td><td>" + std::to_string(module.version) + "</td></tr>\n";
    }
    return out + "</table>\n";
}

// The required items, one table per group box and one row per slot; the group boxes without a
// required item are named at the end.
std::string coverageSection(const SessionReport& report) {
    std::string out = "<h2>Coverage</h2>\n";
    if (!report.coverageRun) {
        return out + "<p>The coverage check was not run in this session.</p>\n";
    }
    const int required = report.requiredItems();
    const int seen = report.seenRequiredItems();
    out += "<p>" + std::to_string(seen) + " of " + std::to_string(required) +
           " values seen. Values not seen are <span class=\"missing\">marked</span>.</p>\n";
    std::string openGroup;
    int openSlot = -1;
    std::vector<std::string> unchecked;
    for (std::size_t i = 0; i < report.coverage.size(); ++i) {
        const CoverageItem& item = report.coverage[i];
        const std::string group = groupBoxOf(item.slot);
        if (!report.requiredAt(i)) {
            if (std::find(unchecked.begin(), unchecked.end(), group) == unchecked.end()) {
                unchecked.push_back(group);
            }
            continue;
        }
        if (group != openGroup) {
            out += openGroup.empty() ? "" : "</td></tr>\n</table>\n";
            out += "<h3>" + htmlText(group) + "</h3>\n<table>\n";
            openGroup = group;
            openSlot = -1;
        }
        if (item.slot != openSlot) {
            out += openSlot == -1 ? "" : "</td></tr>\n";
            out += "<tr><th>" + htmlText(labelOf(item.slot)) + "</th><td>";
            openSlot = item.slot;
        }
        if (item.seen) {
            out += "<span class=\"value\" title=\"first seen after " +
                   fixedDecimal(item.firstSeenSeconds, 1) + " s\">" + htmlText(item.value) +
                   "</span>";
        } else {
            out += "<span class=\"value missing\">" + htmlText(item.value) + "</span>";
        }
    }
    out += openGroup.empty() ? "" : "</td></tr>\n</table>\n";
    if (!unchecked.empty()) {
        out += "<p class=\"dim\">Not checked, their modules did not announce themselves: ";
        for (std::size_t i = 0; i < unchecked.size(); ++i) {
            out += (i == 0 ? "" : ", ") + htmlText(unchecked[i]);
        }
        out += ".</p>\n";
    }
    return out;
}

std::string outputSection(const SessionReport& report) {
    std::string out = "<h2>Output test</h2>\n";
    if (report.outputTest.empty()) {
        return out + "<p>The output test was not run in this session.</p>\n";
    }
    out += "<table>\n<tr><th>Step</th><th>Seen on the panel</th></tr>\n";
    for (const SessionReport::OutputAnswer& answer : report.outputTest) {
        out += "<tr><td>" + htmlText(answer.step) + "</td><td>" + answerText(answer.answer) +
               "</td></tr>\n";
    }
    return out + "</table>\n";
}

}  // namespace

std::string sessionReportHtml(const SessionReport& report) {
    const std::string verdict = report.passed ? "PASS" : "FAIL";
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<title>ZR8 panel test: " + verdict + "</title>\n<style>" + kStyle + "</style>\n";
    out += "</head>\n<body>\n<h1>ZR8 panel test</h1>\n";
    out += "<p class=\"banner " + std::string(report.passed ? "pass" : "fail") + "\">" + verdict +
           "</p>\n";
    out += "<table>\n";
    out += row("Mainboard", htmlText(report.mainboard));
    out += row("Connection", htmlText(report.connection));
    out += row("Started", htmlText(report.startedAt));
    out += row("Time taken", fixedDecimal(report.seconds, 1) + " s");
    out += productionRecordHtmlRows(report.record, report.profile);
    out += "</table>\n";
    out += profileHtmlSection(report.profile);
    out += modulesSection(report);
    out += coverageSection(report);
    out += outputSection(report);
    out += linkReportHtml(report.link);
    return out + "</body>\n</html>\n";
}

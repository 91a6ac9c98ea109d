// The report of a monitor session, written as JSON and, beside it, as a self-contained HTML page
// for the bench log: mainboard and modules, coverage by group box, the output test's answers.
//
// JSON shape (all text as the panel sent it, escaped; numbers with '.' whatever the locale):
//
//     {"startedAt":"2024-05-02T14:03:12+02:00","seconds":12.345,"connection":"COM5",
//      "mainboard":"17A-3-5","passed":true, <the production record: report_record.h>,
//      "modules":[{"type":16,"version":3,"name":"ORVAN ZR8 Kestrel Modul 1"}, ...],
//      "coverage":{"run":true,"required":103,"seen":103,
//                  "items":[{"slot":0,"module":18,"groupBox":"Single - Panel 1",
//                            "label":"BATT MASTER","value":"down","required":true,
//                            "seen":true,"firstSeenSeconds":1.234,"outcome":"pass"}, ...]},
//      "outputTest":[{"step":"gear lights green","answer":"y"}, ...],
//      "link":{...}}   (link_report.h)
//
// firstSeenSeconds is null for an item not seen; module, groupBox and label are null for a slot
// outside the catalog; outcome is "pass", "fail" or "not required". The HTML page goes to the
// report path with its extension replaced by
// ".html" (appended when there is none); a path that already ends in ".html" gets the JSON
// beside it as ".json".
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "monitor/coverage/coverage_tracker.h"
#include "monitor/coverage/link_report.h"
#include "monitor/coverage/report_record.h"

struct SessionReport {
    std::string startedAt;   // local time, ISO 8601 (localIsoTime())
    double seconds = 0.0;    // how long the session ran
    std::string connection;  // the port or adapter, as the monitor names it
    std::string mainboard;   // the "Mainboard:" read-out: text from the panel, untrusted

    struct Module {
        int type = 0;
        int version = -1;
        std::string name;
    };
    std::vector<Module> modules;

    bool coverageRun = false;            // the session ran the coverage check
    std::vector<CoverageItem> coverage;  // every item, in slot order
    std::vector<bool> required;          // per item of coverage; missing entries count as false

    struct OutputAnswer {
        std::string step;   // what the technician was asked to look at
        char answer = '?';  // 'y' seen, 'n' not seen, '?' not answered
    };
    std::vector<OutputAnswer> outputTest;

    bool passed = false;

    ProductionRecord record;  // unit, operator, station, attempt, tool version, end time
    ProfileRecord profile;    // the expected modules and how each one did
    LinkReport link;          // see link_report.h

    // Whether coverage item index is required (missing entries of required count as not).
    bool requiredAt(std::size_t index) const { return index < required.size() && required[index]; }
    // How many coverage items are required, and how many of those were seen.
    int requiredItems() const;
    int seenRequiredItems() const;
};

// Copies the tracker's items and which of them are required into the report, and marks the
// coverage check as run.
void addCoverage(SessionReport& report, const CoverageTracker& tracker);

// The modules that announced themselves, in ascending order of type.
std::vector<SessionReport::Module> announcedModules(const ModuleRegistry& registry);

// Local time as ISO 8601 with its offset from UTC: "2024-05-02T14:03:12+02:00".
std::string localIsoTime(std::time_t when);

struct SessionReportPaths {
    std::string json;
    std::string html;
};

// Where writeSessionReport() puts the two files for the path it is given.
SessionReportPaths sessionReportPaths(const std::string& path);

// The two documents.
std::string sessionReportJson(const SessionReport& report);
std::string sessionReportHtml(const SessionReport& report);

// Writes both files. On failure returns false and sets error to one line naming the file and
// the reason.
bool writeSessionReport(const SessionReport& report, const std::string& path, std::string& error);

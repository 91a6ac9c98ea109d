// JUnit XML from the session report.
#include "monitor/coverage/report_junit.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "monitor/catalog/slot_catalog.h"
#include "monitor/coverage/decimal_text.h"
#include "text/text_escape.h"

namespace {

// htmlText() writes only the five predefined entities, &#xXX; for bytes 0x80..0xFF and the
// visible text \xXX for control characters: all of it well-formed XML 1.0 text and attribute
// content.
std::string xml(const std::string& text) {
    return htmlText(text);
}

struct TestCase {
    std::string className;
    std::string name;
    double seconds = 0.0;
    bool failed = false;
    std::string failureType;
    std::string message;
};

std::string property(const char* name, const std::string& value) {
    return std::string("      <property name=\"") + name + "\" value=\"" + xml(value) + "\"/>\n";
}

std::vector<TestCase> testCases(const SessionReport& report) {
    std::vector<TestCase> cases;
    for (const ProfileItem& item : report.profile.items) {
        if (!item.required()) {
            continue;
        }
        TestCase entry;
        entry.className = "modules";
        entry.name = profileItemName(item);
        entry.failed = !item.passed();
        entry.failureType = profileOutcomeWord(item.outcome);
        entry.message = profileItemProblem(item);
        cases.push_back(std::move(entry));
    }
    for (std::size_t i = 0; i < report.coverage.size(); ++i) {
        if (!report.requiredAt(i)) {
            continue;
        }
        const CoverageItem& item = report.coverage[i];
        TestCase entry;
        entry.className = item.slot >= 0 && item.slot < kCatalogSlotCount
                              ? slotName(item.slot)
                              : "slot " + std::to_string(item.slot);
        entry.name = item.value;
        entry.seconds = item.seen ? item.firstSeenSeconds : 0.0;
        entry.failed = !item.seen;
        entry.failureType = "not seen";
        entry.message = "not seen: " + coverageItemName(item);
        cases.push_back(std::move(entry));
    }
    for (const SessionReport::OutputAnswer& answer : report.outputTest) {
        TestCase entry;
        entry.className = "output test";
        entry.name = answer.step;
        entry.failed = answer.answer != 'y';
        entry.failureType = answer.answer == 'n' ? "not seen" : "not answered";
        entry.message = entry.failureType + " on the panel";
        cases.push_back(std::move(entry));
    }
    return cases;
}

}  // namespace

std::string sessionReportJunit(const SessionReport& report) {
    const std::vector<TestCase> cases = testCases(report);
    int failures = 0;
    for (const TestCase& entry : cases) {
        failures += entry.failed ? 1 : 0;
    }
    const std::string counts = " tests=\"" + std::to_string(cases.size()) + "\" failures=\"" +
                               std::to_string(failures) + "\" errors=\"0\"";
    const std::string time = " time=\"" + fixedDecimal(report.seconds, 3) + "\"";
    const std::string suite = report.record.unit.empty() ? "ZR8 panel" : report.record.unit;

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuites name=\"ZR8 panel test\"" + counts + time + ">\n";
    out += "  <testsuite name=\"" + xml(suite) + "\"" + counts + " skipped=\"0\"" + time + ">\n";
    out += "    <properties>\n";
    out += property("unit", report.record.unit);
    out +=
        property("attempt", report.record.attempt > 0 ? std::to_string(report.record.attempt) : "");
    out += property("retest", report.record.attempt > 1 ? "true" : "false");
    out += property("operator", report.record.operatorName);
    out += property("station", report.record.station);
    out += property("profile", report.profile.run ? report.profile.name : "");
    out += property("connection", report.connection);
    out += property("mainboard", report.mainboard);
    out += property("startedAt", report.startedAt);
    out += property("endedAt", report.record.endedAt);
    out += property("toolVersion", report.record.toolVersion);
    out += "    </properties>\n";
    for (const TestCase& entry : cases) {
        out += "    <testcase classname=\"" + xml(entry.className) + "\" name=\"" +
               xml(entry.name) + "\" time=\"" + fixedDecimal(entry.seconds, 3) + "\"";
        if (!entry.failed) {
            out += "/>\n";
            continue;
        }
        out += ">\n      <failure type=\"" + xml(entry.failureType) + "\" message=\"" +
               xml(entry.message) + "\">" +
               xml(entry.className + ": " + entry.name + ": " + entry.message) +
               "</failure>\n    </testcase>\n";
    }
    out += "  </testsuite>\n</testsuites>\n";
    return out;
}

bool writeSessionReportJunit(const SessionReport& report, const std::string& path,
                             std::string& error) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) {
        const std::string document = sessionReportJunit(report);
        out.write(document.data(), static_cast<std::streamsize>(document.size()));
        out.close();
    }
    if (!out) {
        const int reason = errno;
        error = "cannot write " + path + ": " +
                (reason != 0 ? std::strerror(reason) : "the file cannot be written");
        return false;
    }
    return true;
}

// The end of a monitor run.
#include "monitor/program/run_report.h"

#include <cstdio>

#include "monitor/coverage/session_report.h"
#include "monitor/program/check_verdict.h"
#include "monitor/program/production_run.h"
#include "protocol/module_registry.h"
#include "text/text_escape.h"

void RunRecord::begin() {
    startedAt = std::time(nullptr);
}

int RunRecord::finish(const MonitorSession& session, const MonitorOptions& options,
                      double watchedSeconds) {
    seconds = watchedSeconds;
    passed = true;
    for (const OutputTestStep& step : outputTest) {
        passed = passed && step.answer == 'y';
    }
    if (options.coverage) {
        const CoverageTracker& coverage = session.coverage();
        const bool complete = checkComplete(session);
        passed = passed && complete;
        if (options.json) {
            std::string missing;
            for (const std::string& item : checkMissing(session)) {
                missing += (missing.empty() ? "" : ",") + jsonString(item);
            }
            // With a profile its module items count as well, as in the text verdict.
            int seen = coverage.seenRequiredCount();
            int required = coverage.requiredCount();
            for (const ProfileItem& item : sessionProfileItems(session)) {
                required += item.required() ? 1 : 0;
                seen += item.required() && item.passed() ? 1 : 0;
            }
            std::printf(
                "{\"event\":\"coverage\",\"result\":\"%s\",\"seen\":%d,\"required\":%d,"
                "\"seconds\":%.3f,\"missing\":[%s]}\n",
                complete ? "PASS" : "FAIL", seen, required, watchedSeconds, missing.c_str());
        } else {
            for (const std::string& line : checkResultLines(session, watchedSeconds)) {
                std::printf("%s\n", line.c_str());
            }
        }
        std::fflush(stdout);
    }
    return passed ? 0 : 1;
}

bool RunRecord::write(const MonitorSession& session, const MonitorOptions& options,
                      const std::string& path, std::string& error) const {
    SessionReport report;
    report.startedAt = localIsoTime(startedAt);
    report.seconds = seconds;
    report.connection = connection;
    report.mainboard = session.mainboardText();
    report.modules = announcedModules(moduleRegistry());
    if (options.coverage) {
        addCoverage(report, session.coverage());
    }
    for (const OutputTestStep& step : outputTest) {
        report.outputTest.push_back({step.description, step.answer});
    }
    report.passed = passed;
    addProductionRecord(report, session, options);
    report.link = session.linkReport(seconds);
    return (path.empty() || writeSessionReport(report, path, error)) &&
           writeProductionFiles(report, options, startedAt, error);
}

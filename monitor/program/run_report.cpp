// The end of a monitor run.
#include "monitor/program/run_report.h"

#include <cstdio>

#include "monitor/coverage/session_report.h"
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
        passed = passed && coverage.complete();
        if (options.json) {
            std::string missing;
            for (const std::string& item : coverage.missing()) {
                missing += (missing.empty() ? "" : ",") + jsonString(item);
            }
            std::printf(
                "{\"event\":\"coverage\",\"result\":\"%s\",\"seen\":%d,\"required\":%d,"
                "\"seconds\":%.3f,\"missing\":[%s]}\n",
                coverage.complete() ? "PASS" : "FAIL", coverage.seenRequiredCount(),
                coverage.requiredCount(), watchedSeconds, missing.c_str());
        } else {
            for (const std::string& line : coverageResultLines(coverage, watchedSeconds)) {
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
    report.link = session.linkReport(seconds);
    return writeSessionReport(report, path, error);
}

// What a monitor run ends with: the coverage verdict on the terminal, the exit status, and the
// report file when one was asked for.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "monitor/outputs/output_test.h"
#include "monitor/program/monitor_session.h"
#include "monitor/program/options.h"

struct RunRecord {
    std::time_t startedAt = 0;
    std::string connection;
    std::vector<OutputTestStep> outputTest;
    double seconds = 0.0;
    bool passed = true;

    void begin();
    // Prints the coverage verdict (text or JSON) and returns the exit status: 1 when the
    // coverage check is incomplete or an output-test step was answered n, else 0.
    int finish(const MonitorSession& session, const MonitorOptions& options, double watchedSeconds);
    // Writes the report to path (none when empty) and the production run's files (report folder,
    // JUnit) when asked for.
    bool write(const MonitorSession& session, const MonitorOptions& options,
               const std::string& path, std::string& error) const;
};

// Command line of zr8-monitor.
#pragma once

#include <string>
#include <vector>

#include "monitor/program/production_options.h"

struct MonitorOptions {
    bool help = false;
    bool version = false;
    bool list = false;               // --list
    std::string connection;          // COM3, "COMM - COM3", "USB - ...", or a row number of --list
    int speed = 38400;               // --speed 9600|38400, serial rows only
    std::string replayPath;          // --replay FILE
    bool fast = false;               // --fast: replay without the original pauses
    bool raw = false;                // --raw
    bool json = false;               // --json
    std::string capturePath;         // --capture FILE
    std::vector<std::string> sends;  // --send TEXT, in order
    bool outputTest = false;         // --output-test
    bool coverage = false;           // --coverage
    double timeoutSeconds = 0.0;     // --timeout S (coverage), 0 = none
    std::string reportPath;          // --report FILE
    double durationSeconds = 0.0;  // --duration S: stop watching after S seconds, 0 = until Ctrl+C
    ProductionOptions production;  // --profile, --unit, --ask-unit, --operator, --station, ...

    // Whether the run watches the panel after the outputs are done.
    bool watches() const;
};

// Parses argv[1..]. false with a one-line error for anything it cannot use.
bool parseMonitorOptions(const std::vector<std::string>& args, MonitorOptions& options,
                         std::string& error);

const char* monitorUsage();

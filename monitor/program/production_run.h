// A production run's steps around the watch: the profile and the unit serial before any port is
// opened, the production record in the report, and the report folder's and the JUnit file at
// the end.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

#include "monitor/coverage/session_report.h"
#include "monitor/profile/panel_profile.h"
#include "monitor/program/monitor_session.h"
#include "monitor/program/options.h"

// Loads the profile (when one is named) and, with --ask-unit, reads the unit serial into
// options.unit. false with a one-line error (a bad profile, no serial).
bool prepareProductionRun(ProductionOptions& options, PanelProfile& profile, std::string& error);

// Reads one line from in as the unit serial: a prompt on standard error when in is a terminal;
// an empty line, end of input or a line of more than 1024 bytes is an error.
bool askUnitSerial(std::FILE* in, std::string& unit, std::string& error);

// Whether the run writes files of its own (--report-dir, --junit).
bool writesProductionFiles(const ProductionOptions& options);

// Unit, operator, station, tool version, end time and the profile's items into the report.
void addProductionRecord(SessionReport& report, const MonitorSession& session,
                         const MonitorOptions& options);

// With --report-dir: numbers the attempt and writes the two report files there; with --junit:
// the JUnit file (with that attempt). false with a one-line error.
bool writeProductionFiles(SessionReport report, const MonitorOptions& options,
                          std::time_t startedAt, std::string& error);

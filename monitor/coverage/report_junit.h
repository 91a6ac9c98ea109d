// The session report as JUnit XML, for build servers and production dashboards: one test case per
// required item (each expected or unexpected module, each value the coverage check required,
// each output-test step), a <failure> for each one that was missed, and the production record
// as <properties>. All text is escaped, so the document is well-formed whatever the panel or
// the command line carried.
#pragma once

#include <string>

#include "monitor/coverage/session_report.h"

std::string sessionReportJunit(const SessionReport& report);

// Writes the document to path. On failure returns false and sets error to one line.
bool writeSessionReportJunit(const SessionReport& report, const std::string& path,
                             std::string& error);

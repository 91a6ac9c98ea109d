// The report folder of a production bench: one report per attempt, named by unit and start
// time, "STEM-YYYYMMDD-HHMMSS.json" and ".html" (STEM: unitFileStem()), and the attempt number
// read from the reports of the same unit already there.
#pragma once

#include <ctime>
#include <string>

// Reports larger than this are not read (and count as damaged).
constexpr std::size_t kReportReadLimit = 8u * 1024 * 1024;
// Attempt numbers above this in a report are not believed.
constexpr int kAttemptLimit = 99999;

// The attempt number of a new report of unit in folder: one more than the highest attempt
// among the folder's reports of this unit, and at least one more than the number of report
// files that carry the unit's file name. A file of that name that is damaged (not JSON, no
// unit, no sensible attempt) counts as one attempt, so it never lowers the number; a report of
// another unit whose serial has the same file form is not counted. A folder that does not exist
// yet gives 1. false with a one-line error when the folder cannot be listed.
bool nextAttempt(const std::string& folder, const std::string& unit, int& attempt,
                 std::string& error);

// Creates the folder when needed and claims the JSON file name for a report started at start:
// the file is created empty, and only if no file of that name (nor its ".html") exists, so two
// runs of the same unit in the same second get "...-HHMMSS.json" and "...-HHMMSS-2.json".
// false with a one-line error when the folder cannot be made or no name can be claimed.
bool claimReportPath(const std::string& folder, const std::string& unit, std::time_t start,
                     std::string& jsonPath, std::string& error);

// Whether name is a report file name for the stem: STEM-YYYYMMDD-HHMMSS[-N].json.
bool isReportFileName(const std::string& name, const std::string& stem);

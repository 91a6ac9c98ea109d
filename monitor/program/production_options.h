// The options of a production run: the expected panel profile, the unit and who tests it, the
// report folder and the JUnit file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ProductionOptions {
    std::string profilePath;   // --profile FILE
    std::string unit;          // --unit SERIAL (checked and trimmed)
    bool askUnit = false;      // --ask-unit: read the serial from standard input first
    std::string operatorName;  // --operator NAME
    std::string station;       // --station NAME
    std::string reportFolder;  // --report-dir DIR
    std::string junitPath;     // --junit FILE
};

// Takes args[i] (and its value) when it is one of the options above: 1 taken (i moved to the
// value), 0 not one of them, -1 an error (set).
int takeProductionOption(const std::vector<std::string>& args, std::size_t& i,
                         ProductionOptions& options, std::string& error);

// The rules between them and the other options, after the whole line was read.
bool checkProductionOptions(const ProductionOptions& options, bool coverage,
                            const std::string& reportPath, std::string& error);

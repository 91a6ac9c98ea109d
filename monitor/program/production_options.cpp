// The production run's part of the command line.
#include "monitor/program/production_options.h"

#include "monitor/production/unit_serial.h"

namespace {

constexpr std::size_t kNameLimit = 128;  // operator and station

}  // namespace

int takeProductionOption(const std::vector<std::string>& args, std::size_t& i,
                         ProductionOptions& options, std::string& error) {
    const std::string& arg = args[i];
    std::string* target = nullptr;
    if (arg == "--ask-unit") {
        options.askUnit = true;
        return 1;
    }
    if (arg == "--profile") {
        target = &options.profilePath;
    } else if (arg == "--unit") {
        target = &options.unit;
    } else if (arg == "--operator") {
        target = &options.operatorName;
    } else if (arg == "--station") {
        target = &options.station;
    } else if (arg == "--report-dir") {
        target = &options.reportFolder;
    } else if (arg == "--junit") {
        target = &options.junitPath;
    } else {
        return 0;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = arg + " needs a value";
        return -1;
    }
    *target = args[++i];
    if (target == &options.unit && !checkUnitSerial(*target, options.unit, error)) {
        error = "--unit: " + error;
        return -1;
    }
    if ((target == &options.operatorName || target == &options.station) &&
        target->size() > kNameLimit) {
        error = arg + " takes at most " + std::to_string(kNameLimit) + " characters";
        return -1;
    }
    return 1;
}

bool checkProductionOptions(const ProductionOptions& options, bool coverage,
                            const std::string& reportPath, std::string& error) {
    if (options.askUnit && !options.unit.empty()) {
        error = "give --unit SERIAL or --ask-unit, not both";
        return false;
    }
    if (!options.profilePath.empty() && !coverage) {
        error = "--profile only applies to --coverage";
        return false;
    }
    if (!options.reportFolder.empty() && options.unit.empty() && !options.askUnit) {
        error = "--report-dir names its reports by unit: add --unit SERIAL or --ask-unit";
        return false;
    }
    if (!options.reportFolder.empty() && !reportPath.empty()) {
        error = "give --report FILE or --report-dir DIR, not both";
        return false;
    }
    return true;
}

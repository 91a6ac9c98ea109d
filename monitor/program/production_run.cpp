// The production run's steps.
#include "monitor/program/production_run.h"

#ifdef _WIN32
#include <io.h>
#define ZR8_IS_TERMINAL(file) (_isatty(_fileno(file)) != 0)
#else
#include <unistd.h>
#define ZR8_IS_TERMINAL(file) (isatty(fileno(file)) != 0)
#endif

#include "monitor/coverage/report_junit.h"
#include "monitor/production/report_folder.h"
#include "monitor/production/unit_serial.h"
#include "monitor/program/check_verdict.h"
#include "zr8_version.h"

namespace {

constexpr std::size_t kAnswerLimit = 1024;

}  // namespace

bool askUnitSerial(std::FILE* in, std::string& unit, std::string& error) {
    if (ZR8_IS_TERMINAL(in)) {
        std::fputs("Unit serial: ", stderr);
        std::fflush(stderr);
    }
    std::string line;
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        if (line.size() >= kAnswerLimit) {
            error = "the unit serial read is longer than " + std::to_string(kAnswerLimit) +
                    " bytes; scan it again";
            return false;
        }
        line += static_cast<char>(c);
    }
    if (c == EOF && line.empty()) {
        error = "no unit serial read: end of input; scan or type it, then Enter";
        return false;
    }
    return checkUnitSerial(line, unit, error);
}

bool prepareProductionRun(ProductionOptions& options, PanelProfile& profile, std::string& error) {
    if (!options.profilePath.empty() && !loadPanelProfile(options.profilePath, profile, error)) {
        return false;
    }
    if (options.askUnit && !askUnitSerial(stdin, options.unit, error)) {
        return false;
    }
    return true;
}

bool writesProductionFiles(const ProductionOptions& options) {
    return !options.reportFolder.empty() || !options.junitPath.empty();
}

void addProductionRecord(SessionReport& report, const MonitorSession& session,
                         const MonitorOptions& options) {
    ProductionRecord& record = report.record;
    record.unit = options.production.unit;
    record.operatorName = options.production.operatorName;
    record.station = options.production.station;
    record.toolVersion = ZR8_VERSION;
    record.endedAt = localIsoTime(std::time(nullptr));
    if (session.profile() != nullptr) {
        report.profile.run = true;
        report.profile.name = session.profile()->name;
        report.profile.items = sessionProfileItems(session);
    }
}

bool writeProductionFiles(SessionReport report, const MonitorOptions& options,
                          std::time_t startedAt, std::string& error) {
    const ProductionOptions& production = options.production;
    if (!production.reportFolder.empty()) {
        std::string path;
        if (!nextAttempt(production.reportFolder, production.unit, report.record.attempt, error) ||
            !claimReportPath(production.reportFolder, production.unit, startedAt, path, error) ||
            !writeSessionReport(report, path, error)) {
            return false;
        }
    }
    return production.junitPath.empty() ||
           writeSessionReportJunit(report, production.junitPath, error);
}

// zr8-monitor: a ZR8 panel mainboard watched from a terminal, on the desktop program's core.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "capture/capture_file.h"
#include "link/device_link.h"
#include "link/platform_services.h"
#include "monitor/program/connection.h"
#include "monitor/program/monitor_session.h"
#include "monitor/program/options.h"
#include "monitor/program/outputs_run.h"
#include "monitor/program/production_run.h"
#include "monitor/program/run_report.h"
#include "monitor/program/watch.h"
#include "zr8_version.h"

namespace {

void requestStop(int) {
    stopRequested = 1;
}

int listConnections() {
    const std::vector<std::string> labels = scanConnections();
    if (labels.empty()) {
        std::fputs("no COM port (COM1..COM8) and no FTDI adapter found\n", stderr);
    }
    for (std::size_t row = 0; row < labels.size(); ++row) {
        std::printf("%zu  %s\n", row + 1, labels[row].c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    MonitorOptions options;
    std::string error;
    if (!parseMonitorOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        return failRun(error + " (see --help)");
    }
    if (options.help) {
        std::fputs(monitorUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("zr8-monitor " ZR8_VERSION);
        return 0;
    }
    if (!checkSends(options.sends, error)) {
        return failRun(error);
    }

    PlatformServices platform;
    if (options.list) {
        return listConnections();
    }
    PanelProfile profile;
    if (!prepareProductionRun(options.production, profile, error)) {
        return failRun(error);
    }

    RunRecord record;
    record.begin();
    CaptureReader reader;
    CaptureWriter capture;
    if (!options.replayPath.empty()) {
        if (!reader.open(options.replayPath, error)) {
            return failRun(error);
        }
        record.connection = "replay of " + options.replayPath;
    } else {
        const std::vector<std::string> labels = scanConnections();
        const int row = findConnection(labels, options.connection);
        if (row < 0) {
            return failRun("no port or adapter \"" + options.connection +
                           "\" found (not attached, or in use by another program); --list shows "
                           "what is there");
        }
        if (!openConnection(row, options.speed, error)) {
            return failRun(error);
        }
        record.connection = labels[static_cast<std::size_t>(row)];
        if (!options.capturePath.empty() && !capture.open(options.capturePath, error)) {
            closeDeviceLink();
            return failRun(error);
        }
    }

    sendAll(options.sends, options.json);
    if (options.outputTest) {
        // Ctrl+D ends the questions (everything is switched off); Ctrl+C still ends the program.
        record.outputTest = runTerminalOutputTest();
    }
    // From here Ctrl+C ends the watch, and the run ends as usual: verdict, report, port closed.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    MonitorSessionSettings settings;
    settings.raw = options.raw;
    settings.json = options.json;
    settings.coverage = options.coverage;
    settings.profile = options.production.profilePath.empty() ? nullptr : &profile;
    MonitorSession session(settings, stdout);
    WatchLimits limits;
    limits.durationSeconds = options.durationSeconds;
    limits.timeoutSeconds = options.timeoutSeconds;
    limits.coverage = options.coverage;
    limits.json = options.json;
    limits.statusLine = StatusLine::isTerminal(stdout);

    int status = 0;
    double watchedSeconds = 0.0;
    if (!options.replayPath.empty()) {
        status = replayCapture(session, limits, reader, options.fast, watchedSeconds);
    } else if (options.watches()) {
        status = watchConnection(session, limits, options.capturePath.empty() ? nullptr : &capture,
                                 watchedSeconds);
    }
    closeDeviceLink();
    if (!options.capturePath.empty() && !capture.close(error) && status == 0) {
        status = failRun(error);
    }
    if (status != 0) {
        return status;
    }

    const int verdict = record.finish(session, options, watchedSeconds);
    if ((!options.reportPath.empty() || writesProductionFiles(options.production)) &&
        !record.write(session, options, options.reportPath, error)) {
        return failRun(error);
    }
    installWindowServices(nullptr);
    return verdict;
}

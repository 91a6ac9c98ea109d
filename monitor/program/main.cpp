// zr8-monitor: a ZR8 panel mainboard watched from a terminal, on the desktop program's core.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/headless_window_services.h"
#include "capture/capture_file.h"
#include "link/device_link.h"
#include "monitor/events/event_format.h"
#include "monitor/outputs/output_test.h"
#include "monitor/outputs/send_command.h"
#include "monitor/program/connection.h"
#include "monitor/program/monitor_session.h"
#include "monitor/program/options.h"
#include "monitor/program/platform_services.h"
#include "monitor/program/run_report.h"
#include "protocol/output_frames.h"
#include "text/text_escape.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollPeriod = std::chrono::milliseconds(5);

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "zr8-monitor: %s\n", message.c_str());
    return 2;
}

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// When the watch is over: Ctrl+C, the duration, or the coverage check's end.
struct WatchLimits {
    double durationSeconds = 0.0;
    double timeoutSeconds = 0.0;
    bool coverage = false;

    bool over(const MonitorSession& session, double seconds) const {
        if (stopRequested != 0) {
            return true;
        }
        if (coverage && session.coverage().complete()) {
            return true;
        }
        if (durationSeconds > 0.0 && seconds >= durationSeconds) {
            return true;
        }
        return coverage && timeoutSeconds > 0.0 && seconds >= timeoutSeconds;
    }
};

// Reads the open connection every 5 ms until the watch is over, recording when asked.
int watchConnection(MonitorSession& session, const WatchLimits& limits, CaptureWriter* capture) {
    const Clock::time_point start = Clock::now();
    std::uint8_t buffer[kDeviceLinkReadSize];
    std::string error;
    while (!limits.over(session, since(start))) {
        const std::uint32_t count = readDeviceLink(buffer);
        // Whole microseconds, as the capture keeps them, so a replay shows the same times.
        const auto microseconds = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
        const double seconds = static_cast<double>(microseconds) / 1e6;
        if (count > 0) {
            if (capture != nullptr && !capture->append(microseconds, buffer, count, error)) {
                return fail(error);
            }
            session.feed(buffer, count, seconds);
        }
        if (count < kDeviceLinkReadSize) {
            std::this_thread::sleep_for(kPollPeriod);
        }
    }
    return 0;
}

// Feeds a capture at its own pace (or at once) until it ends or the watch is over.
int replayCapture(MonitorSession& session, const WatchLimits& limits, CaptureReader& reader,
                  bool fast, double& endSeconds) {
    const Clock::time_point start = Clock::now();
    CaptureChunk chunk;
    std::string error;
    for (;;) {
        const CaptureStep step = reader.next(chunk, error);
        if (step == CaptureStep::End) {
            return 0;
        }
        if (step == CaptureStep::Failed) {
            return fail(error);
        }
        const double seconds = static_cast<double>(chunk.microseconds) / 1e6;
        if (limits.over(session, seconds)) {
            return 0;
        }
        if (!fast) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(chunk.microseconds));
        }
        session.feed(chunk.bytes.data(), chunk.bytes.size(), seconds);
        endSeconds = seconds;
    }
}

int listConnections(HeadlessWindowServices& screen) {
    const std::vector<std::string> labels = scanConnections(screen);
    if (labels.empty()) {
        std::fputs("no COM port (COM1..COM8) and no FTDI adapter found\n", stderr);
    }
    for (std::size_t row = 0; row < labels.size(); ++row) {
        std::printf("%zu  %s\n", row + 1, labels[row].c_str());
    }
    return 0;
}

// Checks every --send before anything is opened, so a typo sends nothing.
bool checkSends(const std::vector<std::string>& sends, std::string& error) {
    for (const std::string& text : sends) {
        OutputState scratch = outputState();
        OutputFrameKind kind = OutputFrameKind::TrimIndicator;
        if (!parseSendCommand(text, scratch, kind, error)) {
            error = "--send \"" + text + "\": " + error;
            return false;
        }
    }
    return true;
}

void sendAll(const std::vector<std::string>& sends, bool json) {
    for (const std::string& text : sends) {
        OutputFrameKind kind = OutputFrameKind::TrimIndicator;
        std::string error;
        parseSendCommand(text, outputState(), kind, error);
        std::uint8_t frame[kOutputFrameSize] = {};
        buildOutputFrame(kind, frame);
        sendOutputFrame(kind);
        const std::string bytes =
            hexBytes(std::vector<std::uint8_t>(frame, frame + kOutputFrameSize));
        if (json) {
            std::printf("{\"event\":\"sent\",\"command\":%s,\"frame\":\"%s\"}\n",
                        jsonString(text).c_str(), bytes.c_str());
        } else {
            std::printf("sent %s: %s\n", text.c_str(), bytes.c_str());
        }
    }
    std::fflush(stdout);
}

std::vector<OutputTestStep> outputTest() {
    OutputTestIo io;
    io.readLine = [](std::string& line) {
        line.clear();
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, stdin) == nullptr) {
            return false;
        }
        line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        return true;
    };
    io.print = [](const std::string& text) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    };
    io.send = [](OutputFrameKind kind) { return sendOutputFrame(kind); };
    return runOutputTest(io);
}

}  // namespace

int main(int argc, char** argv) {
    MonitorOptions options;
    std::string error;
    if (!parseMonitorOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        return fail(error + " (see --help)");
    }
    if (options.help) {
        std::fputs(monitorUsage(), stdout);
        return 0;
    }
    if (!checkSends(options.sends, error)) {
        return fail(error);
    }

    HeadlessWindowServices screen;
    installWindowServices(&screen);
    PlatformServices platform;
    if (options.list) {
        return listConnections(screen);
    }

    RunRecord record;
    record.begin();
    CaptureReader reader;
    CaptureWriter capture;
    if (!options.replayPath.empty()) {
        if (!reader.open(options.replayPath, error)) {
            return fail(error);
        }
        record.connection = "replay of " + options.replayPath;
    } else {
        const std::vector<std::string> labels = scanConnections(screen);
        const int row = findConnection(labels, options.connection);
        if (row < 0) {
            return fail("no port or adapter \"" + options.connection +
                        "\" found (not attached, or in use by another program); --list shows "
                        "what is there");
        }
        if (!openConnection(row, options.speed, error)) {
            return fail(error);
        }
        record.connection = labels[static_cast<std::size_t>(row)];
        if (!options.capturePath.empty() && !capture.open(options.capturePath, error)) {
            closeDeviceLink();
            return fail(error);
        }
    }

    sendAll(options.sends, options.json);
    if (options.outputTest) {
        // Ctrl+D ends the questions (everything is switched off); Ctrl+C still ends the program.
        record.outputTest = outputTest();
    }
    // From here Ctrl+C ends the watch, and the run ends as usual: verdict, report, port closed.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    MonitorSessionSettings settings;
    settings.raw = options.raw;
    settings.json = options.json;
    settings.coverage = options.coverage;
    MonitorSession session(screen, settings, stdout);
    WatchLimits limits;
    limits.durationSeconds = options.durationSeconds;
    limits.timeoutSeconds = options.timeoutSeconds;
    limits.coverage = options.coverage;

    int status = 0;
    double watchedSeconds = 0.0;
    if (!options.replayPath.empty()) {
        status = replayCapture(session, limits, reader, options.fast, watchedSeconds);
    } else if (options.watches()) {
        const Clock::time_point start = Clock::now();
        status = watchConnection(session, limits, options.capturePath.empty() ? nullptr : &capture);
        watchedSeconds = since(start);
    }
    closeDeviceLink();
    if (!options.capturePath.empty() && !capture.close(error) && status == 0) {
        status = fail(error);
    }
    if (status != 0) {
        return status;
    }

    const int verdict = record.finish(session, options, watchedSeconds);
    if (!options.reportPath.empty() && !record.write(session, options, options.reportPath, error)) {
        return fail(error);
    }
    installWindowServices(nullptr);
    return verdict;
}

// The monitor's watch loops.
#include "monitor/program/watch.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "link/device_link.h"
#include "monitor/program/check_verdict.h"
#include "monitor/program/link_keeper.h"
#include "monitor/program/link_report_lines.h"

volatile std::sig_atomic_t stopRequested = 0;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollPeriod = std::chrono::milliseconds(5);

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int failRun(const std::string& message) {
    std::fprintf(stderr, "zr8-monitor: %s\n", message.c_str());
    return 2;
}

// When the watch is over: Ctrl+C, the duration, or the coverage check's end.
bool WatchLimits::over(const MonitorSession& session, double seconds) const {
    if (stopRequested != 0) {
        return true;
    }
    if (coverage && checkComplete(session)) {
        return true;
    }
    if (durationSeconds > 0.0 && seconds >= durationSeconds) {
        return true;
    }
    return coverage && timeoutSeconds > 0.0 && seconds >= timeoutSeconds;
}

// Reads the open connection every 5 ms until the watch is over, recording when asked. A link
// that goes away is looked for again until the watch is over; the session goes on across it.
int watchConnection(MonitorSession& session, const WatchLimits& limits, CaptureWriter* capture,
                    double& watchedSeconds) {
    const Clock::time_point start = Clock::now();
    std::uint8_t buffer[kDeviceLinkReadSize];
    std::string error;
    LinkKeeper keeper;
    if (!keeper.remember() && keeper.open()) {
        std::fputs(
            "zr8-monitor: this adapter tells neither its serial number nor its place (an "
            "old FTD2XX.dll?): if it goes away the watch cannot find it again; start the "
            "monitor again then\n",
            stderr);
    }
    LinkReport identity;
    keeper.describe(identity);
    session.setAdapterIdentity(identity);
    HealthLines health(session, limits.json, limits.statusLine);
    while (!limits.over(session, since(start))) {
        const std::uint32_t count = keeper.lost() ? 0 : readDeviceLink(buffer);
        // Whole microseconds, as the capture keeps them, so a replay shows the same times.
        const auto microseconds = static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
        const double seconds = static_cast<double>(microseconds) / 1e6;
        if (count > 0) {
            if (capture != nullptr && !capture->append(microseconds, buffer, count, error)) {
                health.end();
                return failRun(error);
            }
            session.feed(buffer, count, seconds);
        }
        const LinkKeeper::Change change = keeper.afterRead(count, seconds);
        if (change != LinkKeeper::Change::None) {
            const bool lost = change == LinkKeeper::Change::Lost;
            if (capture != nullptr &&
                !capture->appendLinkEvent(
                    microseconds, lost ? CaptureLinkEvent::Lost : CaptureLinkEvent::Restored,
                    error)) {
                health.end();
                return failRun(error);
            }
            session.noteLink({seconds, lost});
        }
        health.tick(seconds, keeper.lost());
        if (count < kDeviceLinkReadSize) {
            std::this_thread::sleep_for(kPollPeriod);
        }
    }
    health.end();
    watchedSeconds = since(start);
    return 0;
}

// Feeds a capture at its own pace (or at once) until it ends or the watch is over.
int replayCapture(MonitorSession& session, const WatchLimits& limits, CaptureReader& reader,
                  bool fast, double& watchedSeconds) {
    const Clock::time_point start = Clock::now();
    CaptureChunk chunk;
    std::string error;
    for (;;) {
        const CaptureStep step = reader.next(chunk, error);
        if (step == CaptureStep::End) {
            return 0;
        }
        if (step == CaptureStep::Failed) {
            return failRun(error);
        }
        const double seconds = static_cast<double>(chunk.microseconds) / 1e6;
        if (limits.over(session, seconds)) {
            return 0;
        }
        if (!fast) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(chunk.microseconds));
        }
        if (chunk.link != CaptureLinkEvent::None) {
            session.noteLink({seconds, chunk.link == CaptureLinkEvent::Lost});
        } else {
            session.feed(chunk.bytes.data(), chunk.bytes.size(), seconds);
        }
        watchedSeconds = seconds;
    }
}

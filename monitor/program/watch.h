// The watch: reading the open connection every 5 ms, or a capture at its own pace, into a
// monitor session until the watch is over.
#pragma once

#include <csignal>

#include "capture/capture_file.h"
#include "monitor/program/monitor_session.h"

// Set by the Ctrl+C and SIGTERM handlers: ends the watch.
extern volatile std::sig_atomic_t stopRequested;

// When the watch is over: Ctrl+C, the duration, or the coverage check's end.
struct WatchLimits {
    double durationSeconds = 0.0;
    double timeoutSeconds = 0.0;
    bool coverage = false;
    bool json = false;        // a health line about once a second (live watches)
    bool statusLine = false;  // a status line on the terminal, updated about once a second

    bool over(const MonitorSession& session, double seconds) const;
};

// Both return 0, or 2 after printing one line on standard error (a capture that could not be
// written or read). watchedSeconds receives how long the watch ran (replay: the capture's time).
int watchConnection(MonitorSession& session, const WatchLimits& limits, CaptureWriter* capture,
                    double& watchedSeconds);
int replayCapture(MonitorSession& session, const WatchLimits& limits, CaptureReader& reader,
                  bool fast, double& watchedSeconds);

// "zr8-monitor: message" on standard error; returns 2.
int failRun(const std::string& message);

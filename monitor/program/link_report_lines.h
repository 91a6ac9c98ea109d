// The link's health while a live watch runs, about once a second: a JSON line with --json, or
// the status line on a terminal (nothing at all when standard output is a file or a pipe).
//
//   {"t":3.000412,"event":"health","bytes":3712,"records":1230,"dropped":0,"cutOff":0,
//    "bytesPerSecond":1237.0,"link":"up"}
//   link up: 3712 bytes, 1230 records, 0 dropped, 0 cut off, 1237 B/s
#pragma once

#include <cstdint>

#include "monitor/program/monitor_session.h"
#include "monitor/program/status_line.h"

class HealthLines {
  public:
    static constexpr double kPeriodSeconds = 1.0;

    HealthLines(MonitorSession& session, bool json, bool statusLine);
    // Called on each poll; prints when a period has passed.
    void tick(double seconds, bool lost);
    // Erases the status line: the watch is over.
    void end();

  private:
    MonitorSession& session_;
    bool json_;
    StatusLine status_;
    double lastSeconds_ = 0.0;
    std::uint64_t lastBytes_ = 0;
};

// The periodic health line and the terminal's status line.
#include "monitor/program/link_report_lines.h"

#include <cstdio>
#include <string>

HealthLines::HealthLines(MonitorSession& session, bool json, bool statusLine)
    : session_(session), json_(json), status_(stdout, statusLine && !json) {
    session_.setStatusLine(&status_);
}

void HealthLines::tick(double seconds, bool lost) {
    if ((!json_ && !status_.enabled()) || seconds - lastSeconds_ < kPeriodSeconds) {
        return;
    }
    const LinkReport counts = session_.linkReport(seconds);
    const double rate = static_cast<double>(counts.bytes - lastBytes_) / (seconds - lastSeconds_);
    lastSeconds_ = seconds;
    lastBytes_ = counts.bytes;
    char line[256];
    if (json_) {
        std::snprintf(line, sizeof line,
                      "{\"t\":%.6f,\"event\":\"health\",\"bytes\":%llu,\"records\":%llu,"
                      "\"dropped\":%llu,\"cutOff\":%llu,\"bytesPerSecond\":%.1f,\"link\":\"%s\"}",
                      seconds, static_cast<unsigned long long>(counts.bytes),
                      static_cast<unsigned long long>(counts.records),
                      static_cast<unsigned long long>(counts.dropped),
                      static_cast<unsigned long long>(counts.cutOff), rate, lost ? "lost" : "up");
        session_.printLine(line);
        return;
    }
    std::snprintf(line, sizeof line,
                  "link %s: %llu bytes, %llu records, %llu dropped, %llu cut off, %.0f B/s",
                  lost ? "lost, reopening" : "up", static_cast<unsigned long long>(counts.bytes),
                  static_cast<unsigned long long>(counts.records),
                  static_cast<unsigned long long>(counts.dropped),
                  static_cast<unsigned long long>(counts.cutOff), rate);
    status_.show(line);
}

void HealthLines::end() {
    status_.erase();
    std::fflush(stdout);
    session_.setStatusLine(nullptr);
}

// The monitor's decoding side: bytes in (from a connection or a capture), event lines and
// coverage progress out.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless_window_services.h"
#include "monitor/coverage/coverage_tracker.h"
#include "monitor/events/event_tracker.h"

struct MonitorSessionSettings {
    bool raw = false;
    bool json = false;
    bool coverage = false;  // print coverage progress instead of events
};

class MonitorSession {
  public:
    MonitorSession(HeadlessWindowServices& screen, const MonitorSessionSettings& settings,
                   std::FILE* out);

    // Decodes bytes that arrived at seconds and prints what they changed.
    void feed(const std::uint8_t* bytes, std::size_t count, double seconds);

    const CoverageTracker& coverage() const { return coverage_; }
    // The "Mainboard:" read-out as the test window would show it.
    const std::string& mainboardText() const;

  private:
    void print(const std::string& line);
    void printCoverageProgress();

    HeadlessWindowServices& screen_;
    MonitorSessionSettings settings_;
    std::FILE* out_;
    WindowHandle window_;
    EventTracker tracker_;
    CoverageTracker coverage_;
    std::vector<MonitorEvent> events_;
    std::vector<int> newlySeen_;
};

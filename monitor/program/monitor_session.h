// The monitor's decoding side: bytes in (from a connection or a capture), event lines and
// coverage progress out.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "monitor/coverage/coverage_tracker.h"
#include "monitor/events/event_tracker.h"
#include "monitor/profile/panel_profile.h"

struct MonitorSessionSettings {
    bool raw = false;
    bool json = false;
    bool coverage = false;  // print coverage progress instead of events
    const PanelProfile* profile = nullptr;  // the expected panel, or null; outlives the session
};

class MonitorSession {
  public:
    // The decoder's results are read from its state; its window updates go to whatever window
    // services are installed (the silent ones in the monitor).
    MonitorSession(const MonitorSessionSettings& settings, std::FILE* out);

    // Decodes bytes that arrived at seconds and prints what they changed.
    void feed(const std::uint8_t* bytes, std::size_t count, double seconds);

    const CoverageTracker& coverage() const { return coverage_; }
    const PanelProfile* profile() const { return settings_.profile; }
    // The "Mainboard:" read-out as the test window would show it.
    // (the decoder's own text: no copy is made for each byte)
    static const char* mainboardText();

  private:
    void print(const std::string& line);
    void printCoverageProgress();

    MonitorSessionSettings settings_;
    std::FILE* out_;
    EventTracker tracker_;
    CoverageTracker coverage_;
    std::vector<MonitorEvent> events_;
    std::vector<int> newlySeen_;
};

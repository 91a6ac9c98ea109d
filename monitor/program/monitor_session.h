// The monitor's decoding side: bytes in (from a connection or a capture), event lines and
// coverage progress out.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "monitor/coverage/coverage_tracker.h"
#include "monitor/events/event_tracker.h"
#include "monitor/events/link_event.h"
#include "monitor/profile/panel_profile.h"
#include "monitor/program/link_health.h"
#include "monitor/program/status_line.h"

struct MonitorSessionSettings {
    bool raw = false;
    bool json = false;
    bool coverage = false;                  // print coverage progress instead of events
    const PanelProfile* profile = nullptr;  // the expected panel, or null; outlives the session
};

class MonitorSession {
  public:
    // The decoder's results are read from its state; its window updates go to whatever window
    // services are installed (the silent ones in the monitor).
    MonitorSession(const MonitorSessionSettings& settings, std::FILE* out);

    // Decodes bytes that arrived at seconds and prints what they changed.
    void feed(const std::uint8_t* bytes, std::size_t count, double seconds);

    // The port or adapter went away or came back: printed as an event line and kept for the
    // report (also in coverage mode).
    void noteLink(const LinkEvent& event);
    // Prints a line of its own (the periodic health line), after erasing the status line.
    void printLine(const std::string& line);
    // The status line to erase before each line; null for none.
    void setStatusLine(StatusLine* status) { status_ = status; }

    const CoverageTracker& coverage() const { return coverage_; }
    const PanelProfile* profile() const { return settings_.profile; }
    const LinkHealth& health() const { return health_; }
    // The link's part of the report: its events and health over seconds; the adapter's
    // identity as set.
    LinkReport linkReport(double seconds) const;
    // The adapter's serial number and description, for the report (set by the watch).
    void setAdapterIdentity(const LinkReport& identity) { adapter_ = identity; }
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
    LinkHealth health_;
    std::vector<LinkEvent> linkEvents_;
    StatusLine* status_ = nullptr;
    LinkReport adapter_;
};

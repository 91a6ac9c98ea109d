// Monitor events as lines for a person (text) or for scripts (one JSON object a line).
#pragma once

#include <string>

#include "monitor/events/monitor_event.h"

//    12.345  Single - Panel 1 / BATT MASTER: down -> up
//     0.020  module: ORVAN ZR8 Kestrel Modul 1 (type 16), version 3
//     0.560  mainboard: 133-17A-3-5
// withRaw appends the record's bytes in hex: "  [12 80 81 80]".
std::string formatEventText(const MonitorEvent& event, bool withRaw);

// {"t":12.345,"event":"slot","slot":0,"group":"Single - Panel 1","label":"BATT MASTER",
//  "old":0,"new":1,"oldText":"down","newText":"up"}  (+ "raw":"12 80 81 80" with withRaw)
std::string formatEventJson(const MonitorEvent& event, bool withRaw);

// "12 80 81 80"
std::string hexBytes(const std::vector<std::uint8_t>& bytes);

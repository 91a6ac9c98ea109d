// The link's part of the session report: when the port or adapter went away and came back, the
// adapter's USB serial number and description, and the link's health counts.
//
// JSON, a member of the report object:
//     "link":{"adapter":{"serialNumber":"FT4XK2A1","description":"ZR8 Mainboard"},
//             "events":[{"t":12.340,"state":"lost"},{"t":13.020,"state":"restored"}],
//             "health":{"bytes":51234,"records":17011,"dropped":0,"cutOff":1,
//                       "bytesPerSecond":1210.4}}
// "adapter" is null for a COM port or a replay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LinkReport {
    struct Event {
        double seconds = 0.0;
        bool lost = true;  // false: restored
    };
    std::vector<Event> events;

    bool adapter = false;  // the connection is an FTDI adapter
    std::string adapterSerialNumber;
    std::string adapterDescription;

    std::uint64_t bytes = 0;    // bytes received
    std::uint64_t records = 0;  // records the stream was split into
    std::uint64_t dropped = 0;  // data bytes the framing did not take
    std::uint64_t cutOff = 0;   // records cut off before they were complete
    double bytesPerSecond = 0.0;
};

// ",\n\"link\":{...}", to follow another member of the report object.
std::string linkReportJson(const LinkReport& link);
// The page's "Link" section.
std::string linkReportHtml(const LinkReport& link);

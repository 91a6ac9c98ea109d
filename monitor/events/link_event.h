// The link's own events: the port or adapter went away, or was opened again.
#pragma once

#include <string>

struct LinkEvent {
    double seconds = 0.0;
    bool lost = true;  // false: restored
};

//    12.340  link lost
//    13.020  link restored
std::string formatLinkEventText(const LinkEvent& event);
// {"t":12.340000,"event":"link","state":"lost"}   ("restored")
std::string formatLinkEventJson(const LinkEvent& event);

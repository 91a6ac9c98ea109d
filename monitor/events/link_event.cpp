// Text and JSON lines of link events, laid out as the other event lines.
#include "monitor/events/link_event.h"

#include <cstdio>

namespace {

const char* stateWord(const LinkEvent& event) {
    return event.lost ? "lost" : "restored";
}

}  // namespace

std::string formatLinkEventText(const LinkEvent& event) {
    char line[64];
    std::snprintf(line, sizeof line, "%10.3f  link %s", event.seconds, stateWord(event));
    return line;
}

std::string formatLinkEventJson(const LinkEvent& event) {
    char line[96];
    std::snprintf(line, sizeof line, "{\"t\":%.6f,\"event\":\"link\",\"state\":\"%s\"}",
                  event.seconds, stateWord(event));
    return line;
}

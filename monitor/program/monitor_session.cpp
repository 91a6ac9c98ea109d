// Feeding the decoder byte by byte and printing what each byte changed.
#include "monitor/program/monitor_session.h"

#include "monitor/coverage/profile_verdict.h"
#include "monitor/events/event_format.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "text/text_escape.h"

MonitorSession::MonitorSession(const MonitorSessionSettings& settings, std::FILE* out)
    : settings_(settings), out_(out) {
    tracker_.reset(mainboardText());
    events_.reserve(64);
    if (settings.profile != nullptr) {
        applyProfile(coverage_, *settings.profile);
    }
}

const char* MonitorSession::mainboardText() {
    return decoderState().mainboardText;
}

void MonitorSession::print(const std::string& line) {
    if (status_ != nullptr) {
        status_->erase();
    }
    std::fputs(line.c_str(), out_);
    std::fputc('\n', out_);
}

void MonitorSession::printCoverageProgress() {
    if (!settings_.json) {
        for (const std::string& line : coverageProgressLines(coverage_, newlySeen_)) {
            print(line);
        }
        return;
    }
    int seen = coverage_.seenRequiredCount() - static_cast<int>(newlySeen_.size());
    for (const int index : newlySeen_) {
        const CoverageItem& item = coverage_.items()[static_cast<std::size_t>(index)];
        print("{\"t\":" + std::to_string(item.firstSeenSeconds) + ",\"event\":\"seen\",\"item\":" +
              jsonString(coverageItemName(item)) + ",\"seen\":" + std::to_string(++seen) +
              ",\"required\":" + std::to_string(coverage_.requiredCount()) + "}");
    }
}

void MonitorSession::feed(const std::uint8_t* bytes, std::size_t count, double seconds) {
    for (std::size_t i = 0; i < count; ++i) {
        health_.beforeByte(bytes[i]);
        const int changed = decodeByte(nullptr, bytes[i]);
        health_.afterByte(changed);
        events_.clear();
        tracker_.afterByte(bytes[i], seconds, mainboardText(), events_);
        if (settings_.coverage) {
            // Every byte that changed something, so that a value overwritten within the same
            // read still counts; module announcements change nothing on the window but add items.
            if (changed != 0 || !events_.empty()) {
                coverage_.observe(reportState(), moduleRegistry(), seconds, newlySeen_);
                printCoverageProgress();
            }
            continue;
        }
        for (const MonitorEvent& event : events_) {
            print(settings_.json ? formatEventJson(event, settings_.raw)
                                 : formatEventText(event, settings_.raw));
        }
    }
    std::fflush(out_);
}

void MonitorSession::noteLink(const LinkEvent& event) {
    linkEvents_.push_back(event);
    print(settings_.json ? formatLinkEventJson(event) : formatLinkEventText(event));
    std::fflush(out_);
}

void MonitorSession::printLine(const std::string& line) {
    print(line);
    std::fflush(out_);
}

LinkReport MonitorSession::linkReport(double seconds) const {
    LinkReport report = adapter_;
    report.events.clear();
    for (const LinkEvent& event : linkEvents_) {
        report.events.push_back({event.seconds, event.lost});
    }
    health_.fill(report, seconds);
    return report;
}

// Turns the decoder's state changes into monitor events: after every byte it compares the
// received slots, the trim counter, the module registry and the mainboard read-out with what it
// saw before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/events/monitor_event.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"

class EventTracker {
  public:
    EventTracker();

    // Takes the decoder's present state as the starting point (no events for it).
    void reset(const char* mainboardText);

    // Called after decodeByte(byte): appends one event per change that byte made.
    void afterByte(std::uint8_t byte, double seconds, const char* mainboardText,
                   std::vector<MonitorEvent>& events);

  private:
    void noteRawByte(std::uint8_t byte);
    MonitorEvent started(MonitorEventKind kind, double seconds) const;

    std::int16_t slots_[kSlotCount];
    std::int32_t trimCounter_ = 0;
    float fullScale_ = 255.0f;
    std::int16_t versions_[kModuleTypeCount];  // -1 = not announced
    std::string mainboard_;
    std::vector<std::uint8_t> record_;  // the current record's bytes, the last kMaxRawBytes
};

// Comparing the decoder's state before and after each byte.
#include "monitor/events/event_tracker.h"

#include <algorithm>

#include "monitor/catalog/slot_catalog.h"

EventTracker::EventTracker() {
    std::fill(std::begin(slots_), std::end(slots_), kNoSlotValue);
    std::fill(std::begin(versions_), std::end(versions_), std::int16_t{-1});
    record_.reserve(kMaxRawBytes);
}

void EventTracker::reset(const char* mainboardText) {
    const ReportState& state = reportState();
    std::copy(std::begin(state.receivedSlots), std::end(state.receivedSlots), slots_);
    trimCounter_ = state.trimCounter;
    fullScale_ = state.fullScale;
    const ModuleRegistry& registry = moduleRegistry();
    for (int type = 0; type < kModuleTypeCount; ++type) {
        versions_[type] = registry.entries[type].present != 0 ? registry.entries[type].version : -1;
    }
    mainboard_ = mainboardText;
    record_.clear();
}

void EventTracker::noteRawByte(std::uint8_t byte) {
    if (byte < 0x80) {
        record_.clear();  // a command byte opens a new record
    }
    if (record_.size() == kMaxRawBytes) {
        record_.erase(record_.begin());
    }
    record_.push_back(byte);
}

MonitorEvent EventTracker::started(MonitorEventKind kind, double seconds) const {
    MonitorEvent event;
    event.kind = kind;
    event.seconds = seconds;
    event.raw = record_;
    return event;
}

void EventTracker::afterByte(std::uint8_t byte, double seconds, const char* mainboardText,
                             std::vector<MonitorEvent>& events) {
    noteRawByte(byte);
    const ReportState& state = reportState();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::int16_t value = state.receivedSlots[slot];
        const bool trimStep = slot == 35 && state.trimCounter != trimCounter_;
        if (value == slots_[slot] && !trimStep) {
            continue;
        }
        MonitorEvent event = started(MonitorEventKind::Slot, seconds);
        event.slot = slot;
        if (slot == 35) {
            event.oldValue = trimCounter_;
            event.newValue = state.trimCounter;
        } else {
            event.oldValue = slots_[slot];
            event.newValue = value;
        }
        event.oldText = slotValueText(slot, slots_[slot], trimCounter_, fullScale_);
        event.newText = slotValueText(slot, value, state.trimCounter, state.fullScale);
        slots_[slot] = value;
        events.push_back(std::move(event));
    }
    trimCounter_ = state.trimCounter;
    fullScale_ = state.fullScale;

    const ModuleRegistry& registry = moduleRegistry();
    for (int type = 0; type < kModuleTypeCount; ++type) {
        const ModuleEntry& entry = registry.entries[type];
        const std::int16_t version = entry.present != 0 ? entry.version : std::int16_t{-1};
        if (version == versions_[type]) {
            continue;
        }
        versions_[type] = version;
        if (version < 0) {
            continue;  // forgotten, not announced
        }
        MonitorEvent event = started(MonitorEventKind::Module, seconds);
        event.moduleType = type;
        event.version = version;
        event.moduleName = entry.name;
        events.push_back(std::move(event));
    }

    if (mainboardText != mainboard_) {
        mainboard_ = mainboardText;
        MonitorEvent event = started(MonitorEventKind::Mainboard, seconds);
        event.mainboard = mainboardText;
        events.push_back(std::move(event));
    }
}

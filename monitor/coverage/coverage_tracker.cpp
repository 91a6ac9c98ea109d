#include "monitor/coverage/coverage_tracker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "monitor/catalog/slot_catalog.h"
#include "monitor/coverage/decimal_text.h"

namespace {

constexpr const char* kStepUp = "step +1";
constexpr const char* kStepDown = "step -1";
constexpr const char* kMinimum = "minimum";
constexpr const char* kFullScale = "full scale";
constexpr std::int16_t kRudderTrimEnd = 127;

bool inCatalog(int slot) {
    return slot >= 0 && slot < kCatalogSlotCount;
}

// The words of the values that a slot's items stand for, in item order.
std::vector<std::string> itemValues(int slot) {
    const SlotKind kind = slotInfo(slot).kind;
    switch (kind) {
        case SlotKind::RudderTrim:
            return {"0", std::to_string(kRudderTrimEnd)};
        case SlotKind::ElevatorTrim:
            return {kStepUp, kStepDown};
        case SlotKind::AnalogueChannel:
            return {kMinimum, kFullScale};
        default:
            break;
    }
    std::vector<std::string> values;
    for (int value = 0; value < slotValueCount(kind); ++value) {
        values.push_back(switchValueText(kind, static_cast<std::int16_t>(value)));
    }
    return values;
}

}  // namespace

CoverageTracker::CoverageTracker() : CoverageTracker(ReportState{}) {}

CoverageTracker::CoverageTracker(const ReportState& atStart)
    : previousTrimCounter_(atStart.trimCounter) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        firstItem_[slot] = static_cast<int>(items_.size());
        for (std::string& value : itemValues(slot)) {
            CoverageItem item;
            item.slot = slot;
            item.value = std::move(value);
            items_.push_back(std::move(item));
        }
        previousSlots_[slot] = atStart.receivedSlots[slot];
    }
    reported_.assign(items_.size(), false);
}

void CoverageTracker::setModuleDemands(const ModuleDemand (&demands)[kModuleTypeCount]) {
    std::copy(std::begin(demands), std::end(demands), std::begin(demands_));
    demandsSet_ = true;
}

void CoverageTracker::see(int item, double seconds) {
    CoverageItem& entry = items_[static_cast<std::size_t>(item)];
    if (!entry.seen) {
        entry.seen = true;
        entry.firstSeenSeconds = seconds;
    }
}

void CoverageTracker::judgeChannel(int slot, std::int16_t value, float fullScale, double seconds) {
    const double full = static_cast<double>(fullScale);
    if (value < 0 || !std::isfinite(full) || full <= 0.0) {
        return;
    }
    const double percent = static_cast<double>(value) * 100.0;
    if (percent <= 2.0 * full) {
        see(firstItem_[slot], seconds);
    }
    if (percent >= 98.0 * full) {
        see(firstItem_[slot] + 1, seconds);
    }
}

void CoverageTracker::observe(const ReportState& state, const ModuleRegistry& registry,
                              double seconds, std::vector<int>& newlySeen) {
    newlySeen.clear();
    for (int type = 0; type < kModuleTypeCount; ++type) {
        announced_[type] = registry.entries[type].present != 0;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::int16_t value = state.receivedSlots[slot];
        const bool changed = value != previousSlots_[slot];
        previousSlots_[slot] = value;
        const int first = firstItem_[slot];
        const SlotKind kind = slotInfo(slot).kind;
        switch (kind) {
            case SlotKind::RudderTrim:
                if (value == 0 || value == kRudderTrimEnd) {
                    see(first + (value == 0 ? 0 : 1), seconds);
                }
                break;
            case SlotKind::ElevatorTrim:
                // The slot alone shows a change of direction; the counter below shows every step.
                if (changed && (value == 0 || value == 1)) {
                    see(first + (value == 1 ? 0 : 1), seconds);
                }
                break;
            case SlotKind::AnalogueChannel:
                if (changed) {
                    judgeChannel(slot, value, state.fullScale, seconds);
                }
                break;
            default:
                if (value >= 0 && value < slotValueCount(kind)) {
                    see(first + value, seconds);
                }
                break;
        }
    }
    // The counter wraps around, so the direction is that of the shorter way round.
    const auto step = static_cast<std::uint32_t>(state.trimCounter) -
                      static_cast<std::uint32_t>(previousTrimCounter_);
    previousTrimCounter_ = state.trimCounter;
    if (step != 0) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (slotInfo(slot).kind == SlotKind::ElevatorTrim) {
                see(firstItem_[slot] + (step < 0x80000000u ? 0 : 1), seconds);
            }
        }
    }
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!reported_[i] && items_[i].seen && required(items_[i])) {
            reported_[i] = true;
            newlySeen.push_back(static_cast<int>(i));
        }
    }
}

bool CoverageTracker::required(const CoverageItem& item) const {
    if (!inCatalog(item.slot)) {
        return false;
    }
    const int type = slotInfo(item.slot).moduleType;
    if (type < 0 || type >= kModuleTypeCount) {
        return false;
    }
    switch (demands_[type]) {
        case ModuleDemand::Always:
            return true;
        case ModuleDemand::Never:
            return false;
        case ModuleDemand::IfAnnounced:
            break;
    }
    return announced_[type];
}

int CoverageTracker::requiredCount() const {
    int count = 0;
    for (const CoverageItem& item : items_) {
        count += required(item) ? 1 : 0;
    }
    return count;
}

int CoverageTracker::seenRequiredCount() const {
    int count = 0;
    for (const CoverageItem& item : items_) {
        count += item.seen && required(item) ? 1 : 0;
    }
    return count;
}

bool CoverageTracker::complete() const {
    return (demandsSet_ || requiredCount() > 0) && seenRequiredCount() == requiredCount();
}

std::vector<std::string> CoverageTracker::missing() const {
    std::vector<std::string> names;
    for (const CoverageItem& item : items_) {
        if (!item.seen && required(item)) {
            names.push_back(coverageItemName(item));
        }
    }
    return names;
}

std::string coverageItemName(const CoverageItem& item) {
    const std::string slot =
        inCatalog(item.slot) ? slotName(item.slot) : "slot " + std::to_string(item.slot);
    return slot + ": " + item.value;
}

std::string coverageProgressLine(int seenCount, int requiredCount, const CoverageItem& item) {
    char count[48];
    std::snprintf(count, sizeof count, "[%3d/%d] ", seenCount, requiredCount);
    return count + coverageItemName(item);
}

std::vector<std::string> coverageProgressLines(const CoverageTracker& tracker,
                                               const std::vector<int>& newlySeen) {
    const std::vector<CoverageItem>& items = tracker.items();
    const int required = tracker.requiredCount();
    int count = tracker.seenRequiredCount() - static_cast<int>(newlySeen.size());
    std::vector<std::string> lines;
    for (int index : newlySeen) {
        if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
            continue;
        }
        ++count;
        lines.push_back(
            coverageProgressLine(count, required, items[static_cast<std::size_t>(index)]));
    }
    return lines;
}

std::vector<std::string> coverageResultLines(const CoverageTracker& tracker, double seconds) {
    const std::string time = fixedDecimal(seconds, 1) + " s";
    const int required = tracker.requiredCount();
    if (required == 0) {
        return {"FAIL: no module with switches, trims or levers announced itself after " + time};
    }
    if (tracker.complete()) {
        return {"PASS: all " + std::to_string(required) + " items seen in " + time};
    }
    const std::vector<std::string> missing = tracker.missing();
    std::vector<std::string> lines = {"FAIL: " + std::to_string(missing.size()) + " of " +
                                      std::to_string(required) + " items not seen after " + time +
                                      ":"};
    for (const std::string& name : missing) {
        lines.push_back("  " + name);
    }
    return lines;
}

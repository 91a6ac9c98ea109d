// The end-of-line coverage check: which values of every indicator slot have been seen since the
// check started, and which of them the announced modules still owe.
//
// Items of a slot, by its kind in the slot catalog:
// - two-way and three-way switches, lamps: one item per position ("down", "middle", "up", ...);
// - the fuel selector: its four positions; 4..6 are no position and not required;
// - rudder trim: its two ends, "0" and "127";
// - elevator trim: "step +1" and "step -1", a step that raised or lowered the trim counter. The
//   tracker watches the counter as well as the slot, so a step counts even when the slot already
//   held the same direction;
// - analogue channels: "minimum", a value of at most 2 % of the full-scale value, and
//   "full scale", at least 98 % of it. Real levers seldom reach the exact ends, so both ends have
//   that tolerance. A channel is judged when its value changes, against the full-scale value then
//   in force, which is the one its own report just carried (the full-scale value is shared by
//   all channels, so a lever is never judged against another lever's resolution). A value above
//   full scale counts as "full scale".
//
// An item is required when its slot's module announced itself (as of the last observe()), unless
// the module demands say otherwise (an expected panel profile: its required modules owe their
// items from the start, modules outside it owe none).
// Values are recorded whatever was announced, so a module that announces itself late gets the
// values it already showed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/module_registry.h"
#include "protocol/report_state.h"

// What a module's slots owe the check.
enum class ModuleDemand : std::uint8_t {
    IfAnnounced,  // their items once the module announced itself (the default)
    Always,       // their items, announced or not
    Never,        // nothing
};

struct CoverageItem {
    int slot = 0;
    std::string value;  // "up", "9 o'clock", "127", "step -1", "minimum", "full scale", ...
    bool seen = false;
    double firstSeenSeconds = 0.0;  // when it was first seen; 0 while not seen
};

class CoverageTracker {
  public:
    // A check that starts with the decoder at its start-of-run state.
    CoverageTracker();
    // A check that starts later: the trim counter and the slot values of atStart are the
    // baseline that steps and lever changes are measured from.
    explicit CoverageTracker(const ReportState& atStart);

    // Sets what each module type owes. With demands set the check is complete when every
    // required item was seen, even when none is required (the profile judges the modules).
    void setModuleDemands(const ModuleDemand (&demands)[kModuleTypeCount]);

    // Call after every decoded byte that changed something (decodeByte() returned 1), so that a
    // value a later byte overwrites still counts. seconds is the time since the check started.
    // newlySeen is cleared and receives the indices into items() of required items seen for the
    // first time, and of items seen earlier whose module has just announced itself.
    void observe(const ReportState& state, const ModuleRegistry& registry, double seconds,
                 std::vector<int>& newlySeen);

    // Every slot's items, in slot order.
    const std::vector<CoverageItem>& items() const { return items_; }
    // The item's module announced itself.
    bool required(const CoverageItem& item) const;
    int requiredCount() const;
    int seenRequiredCount() const;
    // At least one module that reports slots announced itself (or the demands are set) and
    // every required item was seen.
    bool complete() const;
    // The required items not seen yet: "Single - Panel 1 / BATT MASTER: up".
    std::vector<std::string> missing() const;

  private:
    void see(int item, double seconds);
    void judgeChannel(int slot, std::int16_t value, float fullScale, double seconds);

    std::vector<CoverageItem> items_;
    std::vector<bool> reported_;      // handed out through newlySeen
    int firstItem_[kSlotCount] = {};  // index of each slot's first item
    bool announced_[kModuleTypeCount] = {};
    ModuleDemand demands_[kModuleTypeCount] = {};
    bool demandsSet_ = false;
    std::int16_t previousSlots_[kSlotCount];
    std::int32_t previousTrimCounter_ = 0;
};

// "Single - Panel 1 / BATT MASTER: up"; a slot outside the catalog is named by its number.
std::string coverageItemName(const CoverageItem& item);

// One line of the live display: "[ 12/95] Single - Panel 1 / BATT MASTER: up".
std::string coverageProgressLine(int seenCount, int requiredCount, const CoverageItem& item);

// The progress lines for what observe() just put into newlySeen, counted up one by one.
std::vector<std::string> coverageProgressLines(const CoverageTracker& tracker,
                                               const std::vector<int>& newlySeen);

// The verdict at the end of the check, seconds after it started: "PASS: all 95 items seen in
// 12.3 s", or "FAIL: 3 of 95 items not seen after 30.0 s:" and one indented line per missing
// item. The caller prints them.
std::vector<std::string> coverageResultLines(const CoverageTracker& tracker, double seconds);

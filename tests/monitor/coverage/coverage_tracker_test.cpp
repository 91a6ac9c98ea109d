// The coverage tracker over the real decoder: which items a slot has, which are required, how
// the trims and levers count, and the lines the monitor prints.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "monitor/catalog/slot_catalog.h"
#include "tests/monitor/coverage/coverage_fixture.h"

namespace {

using Words = std::vector<std::string>;

TEST_F(CoverageTest, ItemsAreTheCatalogsValuesInSlotOrder) {
    const std::vector<std::pair<int, Words>> expected = {
        {0, {"down", "up"}},
        {12, {"down", "middle", "up"}},
        {13, {"9 o'clock", "half past 10", "12 o'clock", "half past 1"}},
        {20, {"left", "middle", "right"}},
        {34, {"0", "127"}},
        {35, {"step +1", "step -1"}},
        {36, {"off", "lit"}},
        {40, {"minimum", "full scale"}},
    };
    for (const auto& [slot, words] : expected) {
        Words values;
        for (const CoverageItem& item : tracker.items()) {
            if (item.slot == slot) {
                values.push_back(item.value);
            }
        }
        EXPECT_EQ(values, words) << "slot " << slot;
    }
    int previous = 0;
    for (const CoverageItem& item : tracker.items()) {
        ASSERT_GE(item.slot, previous);
        EXPECT_FALSE(item.seen);
        previous = item.slot;
    }
    EXPECT_EQ(previous, kSlotCount - 1);
}

TEST_F(CoverageTest, OnlyAnnouncedModulesOweItemsAndALateAnnouncementHandsOutWhatWasSeen) {
    run(announce(18));
    run(panel(18, 0x7F, 0));
    run(panel(18, 0x00, 0));
    run(panel(19, 0x00, 0x07));  // single panel 2 has not announced itself
    for (const CoverageItem& item : tracker.items()) {
        EXPECT_EQ(tracker.required(item), slotInfo(item.slot).moduleType == 18) << item.slot;
    }
    EXPECT_TRUE(tracker.complete());
    EXPECT_TRUE(tracker.missing().empty());
    EXPECT_EQ(seenValues(7), Words{"up"});  // recorded all the same
    for (int index : handedOut) {
        EXPECT_EQ(slotInfo(tracker.items()[static_cast<std::size_t>(index)].slot).moduleType, 18);
    }
    EXPECT_EQ(static_cast<int>(handedOut.size()), tracker.requiredCount());

    run(announce(19));
    Words late;
    for (int index : newlySeen) {
        late.push_back(coverageItemName(tracker.items()[static_cast<std::size_t>(index)]));
    }
    const Words expectedLate = {
        "Single - Panel 2 / NAV: up",
        "Single - Panel 2 / LIGHTS STROBE: up",
        "Single - Panel 2 / LANDING: up",
        "Single - Panel 2 / PITOT HEAT: down",
        "Single - Panel 2 / ALT STAT AIR: down",
        "Single - Panel 2 / COWL FLAPS: middle",
        "Single - Panel 2 / FUEL SELECTOR: 9 o'clock",
    };
    EXPECT_EQ(late, expectedLate);
    EXPECT_FALSE(tracker.complete());
    EXPECT_EQ(tracker.seenRequiredCount() + static_cast<int>(tracker.missing().size()),
              tracker.requiredCount());
}

TEST_F(CoverageTest, NeverCompleteWithoutAModuleThatReportsSlots) {
    run(panel(18, 0x7F, 0));
    run(panel(18, 0x00, 0));
    EXPECT_FALSE(tracker.complete());
    run(announce(97));  // the hobbs meter reports nothing
    EXPECT_EQ(tracker.requiredCount(), 0);
    EXPECT_FALSE(tracker.complete());
    EXPECT_TRUE(handedOut.empty());
    EXPECT_EQ(coverageResultLines(tracker, 30.0),
              Words{"FAIL: no module with switches, trims or levers announced itself after "
                    "30.0 s"});
}

// Payloads of the elevator-trim report: 0x01 a step up, 0x09 a step down, 0x08 no step.
TEST_F(CoverageTest, ElevatorTrimCountsStepsByTheCounter) {
    struct Case {
        const char* name;
        std::int32_t counterAtStart;
        std::vector<unsigned> beforeStart;  // decoded before the check starts, not observed
        std::vector<unsigned> steps;
        Words seen;
    };
    const Case cases[] = {
        {"up only", 0, {}, {0x01, 0x01, 0x01}, {"step +1"}},
        {"down only", 0, {}, {0x09}, {"step -1"}},
        {"both ways", 0, {}, {0x09, 0x01}, {"step +1", "step -1"}},
        {"no step bit", 0, {}, {0x08, 0x00}, {}},
        {"up as before the start", 0, {0x01}, {0x01}, {"step +1"}},
        {"down as before the start", 0, {0x09}, {0x09}, {"step -1"}},
        {"up across the wrap", INT32_MAX, {}, {0x01}, {"step +1"}},
        {"down across the wrap", INT32_MIN, {}, {0x09}, {"step -1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetProtocolState();
        reportState().trimCounter = c.counterAtStart;
        feed(announce(24));
        for (unsigned payload : c.beforeStart) {
            feed({24, d(45), d(payload)});
        }
        tracker = CoverageTracker(reportState());
        for (unsigned payload : c.steps) {
            run({24, d(45), d(payload)});
        }
        EXPECT_EQ(seenValues(35), c.seen);
    }
}

TEST_F(CoverageTest, RudderTrimNeedsBothEnds) {
    run(rudder(1));
    run(rudder(126));
    EXPECT_TRUE(seenValues(34).empty());
    run(rudder(127));
    EXPECT_EQ(seenValues(34), Words{"127"});
    run(rudder(0));
    EXPECT_EQ(seenValues(34), (Words{"0", "127"}));
}

TEST_F(CoverageTest, LeverEndsHaveTwoPercentTolerance) {
    struct Case {
        unsigned resolution;  // 0: 255, 1: 511, 2: 1023 full scale
        unsigned value;
        Words seen;
    };
    const Case cases[] = {
        {0, 0, {"minimum"}},
        {0, 5, {"minimum"}},
        {0, 6, {}},
        {0, 249, {}},
        {0, 250, {"full scale"}},
        {0, 255, {"full scale"}},
        {1, 10, {"minimum"}},
        {1, 11, {}},
        {1, 500, {}},
        {1, 501, {"full scale"}},
        {2, 20, {"minimum"}},
        {2, 21, {}},
        {2, 1002, {}},
        {2, 1003, {"full scale"}},
        {2, 1023, {"full scale"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("resolution " + std::to_string(c.resolution) + " value " +
                     std::to_string(c.value));
        resetProtocolState();
        tracker = CoverageTracker();
        run(channel(2, c.resolution, c.value));
        EXPECT_EQ(seenValues(42), c.seen);
    }
}

TEST_F(CoverageTest, ALeverIsJudgedAgainstItsOwnReportsFullScale) {
    run(channel(0, 2, 300));  // 29 % of 1023
    run(channel(1, 0, 0));    // the shared full-scale value drops to 255
    EXPECT_TRUE(seenValues(40).empty());
    EXPECT_EQ(seenValues(41), Words{"minimum"});
}

TEST_F(CoverageTest, ProgressAndVerdictLines) {
    run(announce(99));
    run({99, d(4), d(0x00)});
    EXPECT_EQ(
        coverageProgressLines(tracker, newlySeen),
        (Words{"[  1/9] LND-Gear - Panel / WARN HORN: off", "[  2/9] LND-Gear - Panel / HANDLE: up",
               "[  3/9] LND-Gear - Panel / FLAPS: middle",
               "[  4/9] LND-Gear - Panel / PARKBRAKE: off"}));
    EXPECT_EQ(
        coverageResultLines(tracker, 30.0),
        (Words{"FAIL: 5 of 9 items not seen after 30.0 s:", "  LND-Gear - Panel / WARN HORN: lit",
               "  LND-Gear - Panel / HANDLE: down", "  LND-Gear - Panel / FLAPS: down",
               "  LND-Gear - Panel / FLAPS: up", "  LND-Gear - Panel / PARKBRAKE: lit"}));
    run({99, d(4), d(0x1F)});
    run({99, d(4), d(0x02)});
    EXPECT_EQ(coverageProgressLines(tracker, newlySeen),
              Words{"[  9/9] LND-Gear - Panel / FLAPS: up"});
    EXPECT_EQ(coverageResultLines(tracker, 12.34), Words{"PASS: all 9 items seen in 12.3 s"});
}

}  // namespace

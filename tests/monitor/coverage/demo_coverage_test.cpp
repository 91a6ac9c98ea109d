// The simulator's demo moves every switch through every position: the coverage check passes on
// it, and with chosen records left out it names exactly the values those records carried.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "monitor/coverage/profile_verdict.h"
#include "monitor/profile/panel_profile.h"
#include "tests/monitor/coverage/coverage_fixture.h"
#include "tools/panel-sim/scenario.h"

namespace {

using Record = panelsim::ScenarioRecord;

class DemoCoverageTest : public CoverageTest {
  protected:
    void play(const std::function<bool(const Record&)>& leftOut) {
        for (const Record& record : panelsim::demoScenario().records) {
            if (!leftOut(record)) {
                run(record.bytes);
            }
        }
    }
};

bool startsWith(const Record& record, const Bytes& bytes) {
    return record.bytes.size() >= bytes.size() &&
           std::equal(bytes.begin(), bytes.end(), record.bytes.begin());
}

// A record of six lever reports whose first lever stands at the full scale of its report.
bool leversAtFullScale(const Record& record) {
    if (record.bytes.size() != 24 || record.bytes[0] != 98) {
        return false;
    }
    const int resolution = (record.bytes[2] >> 4) & 0x07;
    const int value = (record.bytes[2] & 0x0F) * 128 + (record.bytes[3] & 0x7F);
    const int fullScale[] = {255, 511, 1023};
    return resolution < 3 && value == fullScale[resolution];
}

TEST_F(DemoCoverageTest, TheWholeDemoCompletesTheCheck) {
    play([](const Record&) { return false; });
    EXPECT_TRUE(tracker.complete());
    EXPECT_TRUE(tracker.missing().empty());
    EXPECT_EQ(tracker.requiredCount(), static_cast<int>(tracker.items().size()));
    // Every item was handed out once, as it was first seen.
    std::vector<int> sorted = handedOut;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> all(tracker.items().size());
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(sorted, all);
    const std::vector<std::string> verdict = coverageResultLines(tracker, seconds);
    ASSERT_EQ(verdict.size(), 1u);
    EXPECT_EQ(verdict[0].rfind("PASS: all " + std::to_string(all.size()) + " items seen in ", 0),
              0u)
        << verdict[0];
}

TEST_F(DemoCoverageTest, LeftOutRecordsAreExactlyWhatIsMissing) {
    const auto d = CoverageTest::d;
    play([&](const Record& record) {
        return startsWith(record, {18, d(0), d(0x7F)}) ||   // every switch up
               startsWith(record, {19, d(0), d(0x1B)}) ||   // fuel selector at 3
               startsWith(record, {24, d(46), d(127)}) ||   // rudder trim at its end
               startsWith(record, {24, d(45), d(0x09)}) ||  // every step down
               startsWith(record, {98, d(58), d(0x02)}) ||  // TOGA on
               leversAtFullScale(record);
    });
    EXPECT_FALSE(tracker.complete());
    const std::vector<std::string> expected = {
        "Single - Panel 1 / FUEL PUMP: up",
        "Single - Panel 2 / FUEL SELECTOR: half past 1",
        "Trim - Panel / RUDDER TRIM: 127",
        "Trim - Panel / ELEV TRIM: step -1",
        "Power Quadrant / THROTTLE 1: full scale",
        "Power Quadrant / THROTTLE 2: full scale",
        "Power Quadrant / PROPELLER 1: full scale",
        "Power Quadrant / PROPELLER 2: full scale",
        "Power Quadrant / MIXTURES 1: full scale",
        "Power Quadrant / MIXTURES 2: full scale",
        "Power Quadrant / TOGA: lit",
    };
    EXPECT_EQ(tracker.missing(), expected);
}

// The profile shipped for the demo names every module the demo announces, at its version: the
// check passes with it, and asking one module for a later version fails on that module alone.
TEST_F(DemoCoverageTest, TheShippedDemoProfileMatchesTheDemo) {
    PanelProfile profile;
    std::string error;
    ASSERT_TRUE(loadPanelProfile(ZR8_DEMO_PROFILE, profile, error)) << error;
    applyProfile(tracker, profile);
    play([](const Record&) { return false; });
    std::vector<ProfileItem> items = checkProfile(profile, moduleRegistry());
    EXPECT_TRUE(profileCheckComplete(tracker, items)) << profileCheckMissing(tracker, items)[0];
    EXPECT_EQ(items.size(), 9u);

    for (ProfileModule& module : profile.modules) {
        module.minVersion += module.type == 98 ? 1 : 0;
    }
    items = checkProfile(profile, moduleRegistry());
    const std::vector<std::string> missing = {
        "module 98 ORVAN ZR8 PowerQuadrant Modul, version 6 or later: announced version 5"};
    EXPECT_EQ(profileCheckMissing(tracker, items), missing);
}

}  // namespace

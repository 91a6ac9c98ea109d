// The built-in demo, run through the tool's own decoder: every indicator of the test window
// takes every value it can show, the modules are listed and the mainboard is named.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tests/support/protocol_fixture.h"
#include "tools/panel-sim/scenario.h"

namespace {

// Values each slot can show in the test window: pictures 0..n-1 of its image family, the
// rudder trim read-out 0..127, the fuel selector of command 19 0..6 (its picture shows 0..3).
int valuesShown(int slot) {
    switch (slot) {
        case 12:  // cowl flaps
        case 20:  // starter
        case 30:
        case 31:
        case 32:
        case 33:
        case 38:  // flaps
            return 3;
        case 13:
            return 7;
        case 34:
            return 128;
        default:
            return 2;  // two-position switches, lamps, the elevator trim pointer
    }
}

class DemoScenarioTest : public ProtocolTest {
  protected:
    void play() {
        const panelsim::Scenario demo = panelsim::demoScenario();
        ASSERT_FALSE(demo.records.empty());
        std::int32_t previousCounter = reportState().trimCounter;
        for (const panelsim::ScenarioRecord& record : demo.records) {
            totalMs += record.delayMs;
            longestMs = std::max(longestMs, record.delayMs);
            for (std::uint8_t byte : record.bytes) {
                decodeByte(window, byte);
            }
            const ReportState& state = reportState();
            for (int s = 0; s < kSlotCount; ++s) {
                seen[s].insert(state.receivedSlots[s]);
            }
            for (int channel = 0; channel < kAnalogueChannelCount; ++channel) {
                channels[channel].insert(
                    {state.fullScale, state.receivedSlots[kFirstAnalogueSlot + channel]});
            }
            trimWentUp = trimWentUp || state.trimCounter > previousCounter;
            trimWentDown = trimWentDown || state.trimCounter < previousCounter;
            previousCounter = state.trimCounter;
        }
    }

    std::set<std::int16_t> seen[kSlotCount];
    std::set<std::pair<float, std::int16_t>> channels[kAnalogueChannelCount];
    bool trimWentUp = false;
    bool trimWentDown = false;
    std::uint64_t totalMs = 0;
    std::uint32_t longestMs = 0;
};

TEST_F(DemoScenarioTest, EverySlotTakesEveryValueTheWindowShows) {
    play();
    for (int s = 0; s < kSlotCount; ++s) {
        if (s >= kFirstAnalogueSlot && s < kFirstAnalogueSlot + kAnalogueChannelCount) {
            continue;
        }
        for (int value = 0; value < valuesShown(s); ++value) {
            EXPECT_EQ(seen[s].count(static_cast<std::int16_t>(value)), 1u)
                << "slot " << s << " never showed " << value;
        }
    }
}

TEST_F(DemoScenarioTest, TrimCounterGoesBothWaysAndEndsWhereItBegan) {
    play();
    EXPECT_TRUE(trimWentUp);
    EXPECT_TRUE(trimWentDown);
    EXPECT_EQ(reportState().trimCounter, 0) << "a looping demo would drift";
}

TEST_F(DemoScenarioTest, EveryChannelSweepsEachResolutionFromZeroToFullScale) {
    play();
    for (int channel = 0; channel < kAnalogueChannelCount; ++channel) {
        for (int full : {255, 511, 1023}) {
            const float scale = static_cast<float>(full);
            EXPECT_EQ(channels[channel].count({scale, 0}), 1u)
                << "channel " << channel << " at " << full;
            EXPECT_EQ(channels[channel].count({scale, static_cast<std::int16_t>(full)}), 1u)
                << "channel " << channel << " at " << full;
            EXPECT_EQ(channels[channel].count({scale, static_cast<std::int16_t>(full / 2)}), 1u)
                << "channel " << channel << " at " << full;
        }
    }
}

TEST_F(DemoScenarioTest, ModulesAreListedAndTheMainboardNamed) {
    play();
    const std::vector<std::string> expected = {
        "v3  -  ORVAN ZR8 Kestrel Modul 1", "v3  -  ORVAN ZR8 Kestrel Modul 2",
        "v2  -  ORVAN ZR8 Swift Modul 1",   "v2  -  ORVAN ZR8 Swift Modul 2",
        "v4  -  ORVAN ZR8 Trim Modul",      "v1  -  Unknown I2C Device",
        "v1  -  ORVAN ZR8 HOBBS Modul",     "v5  -  ORVAN ZR8 PowerQuadrant Modul",
        "v2  -  ORVAN ZR8 LDG Gear Modul",
    };
    EXPECT_EQ(moduleLines(), expected);
    // The number first, then the identification that replaces it.
    std::vector<std::string> mainboard;
    for (const std::string& operation : screen.logOf("setItemText(")) {
        if (operation.find(", 1002, ") != std::string::npos) {
            mainboard.push_back(operation);
        }
    }
    ASSERT_EQ(mainboard.size(), 2u);
    EXPECT_NE(mainboard[0].find("\"133\""), std::string::npos) << mainboard[0];
    EXPECT_EQ(mainboardText(), "17A-3-5");
}

TEST_F(DemoScenarioTest, PacedForAPersonToWatch) {
    play();
    EXPECT_GE(totalMs, 3000u);
    EXPECT_LE(totalMs, 10000u);
    EXPECT_LE(longestMs, 500u);
}

}  // namespace

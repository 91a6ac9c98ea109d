// Indicator display: which picture each value shows, which control each slot draws into, the
// trim and analogue read-outs, and that only what changed is redrawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/shell.h"
#include "protocol/report_state.h"
#include "tests/support/tool_fixture.h"
#include "ui/indicator_display.h"

namespace {

class IndicatorDisplayTest : public ToolTest {
  protected:
    IndicatorDisplayTest() {
        char name[16];
        for (int n = 1; n <= kBitmapCount; ++n) {
            std::snprintf(name, sizeof name, "BILD%d", n);
            shellState().bitmaps[n - 1] = screen.loadBitmap(name);
        }
        window = screen.createDialog("SERIALWINZR8", nullptr);
        screen.clearLog();
    }
    void setSlot(int slot, int value) {
        reportState().receivedSlots[slot] = static_cast<std::int16_t>(value);
    }
    std::string picture(int controlId) const { return pictureOf(window, controlId); }
    std::string text(int controlId) const { return textOf(window, controlId); }

    WindowHandle window = nullptr;
};

TEST_F(IndicatorDisplayTest, PictureForEachFamilyAndValue) {
    struct Row {
        int family, value;
        const char* picture;
    };
    const Row rows[] = {
        {0, -1, "BILD1"},  {0, 0, "BILD2"},   {0, 1, "BILD3"},   {0, 2, "BILD1"},
        {1, 0, "BILD5"},   {1, 2, "BILD7"},   {1, 3, "BILD4"},   {2, 1, "BILD10"},
        {3, -5, "BILD11"}, {3, 2, "BILD14"},  {4, 0, "BILD19"},  {4, 3, "BILD22"},
        {4, 4, "BILD18"},  {5, 0, "BILD16"},  {5, 1, "BILD17"},  {6, 0, "BILD24"},
        {6, 11, "BILD35"}, {6, 12, "BILD23"}, {7, 0, "BILD37"},  {7, 1, "BILD38"},
        {7, 2, "BILD36"},  {8, 1, "BILD17"},  {-1, 0, "BILD16"}, {200, -1, "BILD15"},
    };
    for (const Row& row : rows) {
        setIndicatorImage(window, 2000, static_cast<std::int16_t>(row.family),
                          static_cast<std::int16_t>(row.value));
        EXPECT_EQ(picture(2000), row.picture) << "family " << row.family << " value " << row.value;
    }
}

TEST_F(IndicatorDisplayTest, EachPictureSlotDrawsIntoItsControlWithItsFamily) {
    struct Row {
        int slot, control, family;
    };
    const Row rows[] = {
        {0, 2000, 0},  {1, 2001, 0},  {2, 2002, 0},  {3, 2003, 0},  {4, 2004, 0},  {5, 2005, 0},
        {6, 2006, 0},  {7, 2020, 0},  {8, 2021, 0},  {9, 2022, 0},  {10, 2023, 0}, {11, 2024, 0},
        {12, 2025, 1}, {13, 2026, 4}, {14, 2100, 0}, {15, 2101, 0}, {16, 2102, 0}, {17, 2103, 0},
        {18, 2104, 0}, {19, 2105, 0}, {20, 2106, 3}, {21, 2107, 0}, {22, 2108, 0}, {23, 2109, 0},
        {24, 2110, 0}, {25, 2120, 0}, {26, 2121, 0}, {27, 2122, 0}, {28, 2123, 0}, {29, 2124, 0},
        {30, 2125, 1}, {31, 2126, 1}, {32, 2127, 1}, {33, 2128, 1}, {36, 2300, 5}, {37, 2301, 0},
        {38, 2312, 1}, {39, 2313, 5}, {46, 2512, 5},
    };
    // Value 1 shows the second valued picture of a family: distinct for every family used here.
    const char* secondValued[] = {"BILD3", "BILD6", "BILD10", "BILD13", "BILD20", "BILD17"};
    for (const Row& row : rows) {
        setSlot(row.slot, 1);
        screen.clearLog();
        updateIndicators(window, 0);
        EXPECT_EQ(screen.log().size(), 1u) << "slot " << row.slot;
        EXPECT_EQ(picture(row.control), secondValued[row.family]) << "slot " << row.slot;
    }
}

TEST_F(IndicatorDisplayTest, ForcedUpdateTouchesEveryControlOnceAndUnforcedOnlyChanges) {
    updateIndicators(window, 1);
    std::multiset<int> touched;
    for (const std::string& entry : screen.log()) {
        const auto comma = entry.find(", ");
        touched.insert(std::stoi(entry.substr(comma + 2)));
    }
    EXPECT_EQ(screen.logOf("setItemImage").size(), 41u);
    EXPECT_EQ(screen.logOf("setItemText").size(), 8u);
    EXPECT_EQ(screen.logOf("setProgressPosition").size(), 6u);
    EXPECT_EQ(screen.log().size(), 55u);
    for (int id : touched) {
        EXPECT_EQ(touched.count(id), 1u) << "control " << id << " touched more than once";
    }
    for (int id : {2201, 2203, 2500, 2501, 2502, 2503, 2504, 2505}) {
        EXPECT_EQ(text(id), "-") << id;
    }
    EXPECT_EQ(picture(2026), "BILD18");

    screen.clearLog();
    updateIndicators(window, 0);
    EXPECT_TRUE(screen.log().empty()) << "nothing differs, so nothing is touched";

    setSlot(5, 1);
    updateIndicators(window, 0);
    EXPECT_EQ(screen.log(), std::vector<std::string>{"setItemImage(#1, 2005, BILD3)"});
}

TEST_F(IndicatorDisplayTest, RudderTrimTurnsTheDialEveryTwelveSteps) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {25, "BILD25", "25"}, {12, "BILD24", "12"}, {127, "BILD31", "127"}, {-1, "BILD23", "-"}};
    for (auto [value, bitmap, readout] : cases) {
        setSlot(34, value);
        updateIndicators(window, 0);
        EXPECT_EQ(picture(2200), bitmap) << value;
        EXPECT_EQ(text(2201), readout) << value;
    }
}

TEST_F(IndicatorDisplayTest, ElevatorTrimShowsDirectionAndTheCounter) {
    updateIndicators(window, 1);
    reportState().trimCounter = -3;
    setSlot(35, 0);  // the last step went down
    updateIndicators(window, 0);
    EXPECT_EQ(picture(2202), "BILD37");
    EXPECT_EQ(text(2203), "-3");

    // Another step down: the slot stays 0, the counter alone changed.
    reportState().trimCounter = -4;
    screen.clearLog();
    updateIndicators(window, 0);
    EXPECT_EQ(screen.log(), (std::vector<std::string>{"setItemImage(#1, 2202, BILD37)",
                                                      "setItemText(#1, 2203, \"-4\")"}));

    // Clear: "-" whatever the counter holds, until the next step.
    reportState().trimCounter = 7;
    clearShownSlots();
    clearReceivedSlots();
    updateIndicators(window, 1);
    EXPECT_EQ(text(2203), "-");
    EXPECT_EQ(picture(2202), "BILD36");
    reportState().trimCounter = 8;
    setSlot(35, 1);
    updateIndicators(window, 0);
    EXPECT_EQ(text(2203), "8");
    EXPECT_EQ(picture(2202), "BILD38");
}

TEST_F(IndicatorDisplayTest, AnalogueChannelsScaleToTheBar) {
    struct Row {
        float fullScale;
        int value;
        const char* text;
        int position;
    };
    const Row rows[] = {
        {255.0f, 0, "0.0", 0},         {255.0f, 1, "0.5", 0},        {255.0f, 128, "63.7", 64},
        {255.0f, 255, "127.0", 127},   {255.0f, 300, "149.4", 149},  {1023.0f, 511, "63.4", 63},
        {1023.0f, 1023, "127.0", 127}, {511.0f, 2047, "508.7", 509},
    };
    for (int channel = 0; channel < 6; ++channel) {
        for (const Row& row : rows) {
            reportState().fullScale = row.fullScale;
            setSlot(40 + channel, row.value);
            updateIndicators(window, 1);
            EXPECT_EQ(text(2500 + channel), row.text) << row.value << "/" << row.fullScale;
            EXPECT_EQ(screen.control(window, 2506 + channel).progressPosition, row.position)
                << row.value << "/" << row.fullScale;
        }
    }
}

TEST_F(IndicatorDisplayTest, NewFullScaleAloneDoesNotRedrawAChannel) {
    reportState().fullScale = 255.0f;
    setSlot(40, 255);
    updateIndicators(window, 0);
    ASSERT_EQ(text(2500), "127.0");
    reportState().fullScale = 1023.0f;
    screen.clearLog();
    updateIndicators(window, 0);
    EXPECT_TRUE(screen.log().empty());
    updateIndicators(window, 1);
    EXPECT_EQ(text(2500), "31.7");
}

TEST_F(IndicatorDisplayTest, MissingPictureClearsTheControl) {
    shellState().bitmaps[2] = nullptr;  // BILD3 failed to load
    setSlot(0, 1);
    updateIndicators(window, 0);
    EXPECT_EQ(screen.log(), std::vector<std::string>{"setItemImage(#1, 2000, null)"});
}

}  // namespace

// The monitor's event lines: what each record of the panel turns into, as text and as JSON.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/start_state.h"
#include "monitor/program/monitor_session.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t d(unsigned payload) {
    return static_cast<std::uint8_t>(0x80 | (payload & 0x7F));
}

class MonitorSessionTest : public ::testing::Test {
  protected:
    MonitorSessionTest() { resetToStartState(); }
    ~MonitorSessionTest() override {
        if (out != nullptr) {
            std::fclose(out);
        }
    }

    // Feeds each piece as one read and returns the lines printed.
    std::vector<std::string> run(const std::vector<Bytes>& reads,
                                 MonitorSessionSettings settings = {}) {
        if (out != nullptr) {
            std::fclose(out);
        }
        out = std::tmpfile();
        EXPECT_NE(out, nullptr);
        MonitorSession session(settings, out);
        double seconds = 0.0;
        for (const Bytes& read : reads) {
            seconds += 0.25;
            session.feed(read.data(), read.size(), seconds);
        }
        std::rewind(out);
        std::vector<std::string> lines;
        char line[1024];
        while (std::fgets(line, sizeof line, out) != nullptr) {
            std::string text = line;
            if (!text.empty() && text.back() == '\n') {
                text.pop_back();
            }
            lines.push_back(text);
        }
        return lines;
    }

    std::FILE* out = nullptr;
};

TEST_F(MonitorSessionTest, SwitchRecordsBecomeOneLinePerChange) {
    const auto lines = run({{18, d(0), d(0x01), d(0)}, {18, d(0), d(0x00), d(0)}});
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "     0.250  Single - Panel 1 / BATT MASTER: - -> up");
    EXPECT_EQ(lines[1], "     0.250  Single - Panel 1 / ALTERNATOR: - -> down");
    EXPECT_EQ(lines[6], "     0.250  Single - Panel 1 / FUEL PUMP: - -> down");
    EXPECT_EQ(lines[7], "     0.500  Single - Panel 1 / BATT MASTER: up -> down");
}

TEST_F(MonitorSessionTest, ChangesWithinOneReadAreAllShownWithTheirBytes) {
    MonitorSessionSettings settings;
    settings.raw = true;
    // Up and back down within one read; a repeat of the same state prints nothing.
    const auto lines =
        run({{20, d(5), 18, d(0), d(0x01), 18, d(0), d(0x00), 18, d(0), d(0x00)}}, settings);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "     0.250  Single - Panel 1 / BATT MASTER: - -> up  [12 80 81]");
    EXPECT_EQ(lines[7], "     0.250  Single - Panel 1 / BATT MASTER: up -> down  [12 80 80]");
}

TEST_F(MonitorSessionTest, TrimModulesAndChannels) {
    const auto lines = run({
        {24, d(45), d(0x01)},           // elevator trim step raising the counter
        {24, d(45), d(0x01)},           // same direction: the counter still moves
        {24, d(45), d(0x09)},           // the other way
        {24, d(46), d(100)},            // rudder trim position
        {98, d(12), d(0x13), d(0x05)},  // channel 6: 389 of 511
        {112, d(18), d(2)},             // a module announces itself
        {112, d(18), d(2)},             // again, the same: nothing new
        {112, d(18), d(3)},             // a new version is news
    });
    const std::vector<std::string> expected = {
        "     0.250  Trim - Panel / ELEV TRIM: - -> step +1, counter 1",
        "     0.500  Trim - Panel / ELEV TRIM: step +1, counter 1 -> step +1, counter 2",
        "     0.750  Trim - Panel / ELEV TRIM: step +1, counter 2 -> step -1, counter 1",
        "     1.000  Trim - Panel / RUDDER TRIM: - -> 100",
        "     1.250  Power Quadrant / MIXTURES 2: - -> 96.7",
        "     1.500  module: ORVAN ZR8 Swift Modul 1 (type 18), version 2",
        "     2.000  module: ORVAN ZR8 Swift Modul 1 (type 18), version 3",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(MonitorSessionTest, JsonLinesEscapeWhatThePanelSends) {
    MonitorSessionSettings settings;
    settings.json = true;
    settings.raw = true;
    // A mainboard number, then an identification whose letter is a quote and whose next part is a
    // bell character: both must stay inside valid, plain JSON.
    const auto lines =
        run({{115, d(1), 116, d(5)}, {120, d(17), d('"'), d(7), d(3), d(0)}}, settings);
    ASSERT_FALSE(lines.empty());
    const std::string& last = lines.back();
    EXPECT_EQ(last.rfind("{\"t\":0.500000,\"event\":\"mainboard\",\"text\":\"", 0), 0u) << last;
    EXPECT_NE(last.find("\\\""), std::string::npos) << last;
    for (const std::string& line : lines) {
        for (const char c : line) {
            EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 &&
                        static_cast<unsigned char>(c) < 0x7F)
                << line;
        }
    }
    const auto slotLines = run({{18, d(0), d(0x01)}}, settings);
    EXPECT_EQ(slotLines.front(),
              "{\"t\":0.250000,\"event\":\"slot\",\"slot\":0,\"group\":\"Single - Panel 1\","
              "\"label\":\"BATT MASTER\",\"old\":-1,\"new\":1,\"oldText\":\"-\",\"newText\":\"up\","
              "\"raw\":\"12 80 81\"}");
}

}  // namespace

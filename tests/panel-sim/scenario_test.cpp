// Scenario files, their timing, and the command line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/panel-sim/options.h"
#include "tools/panel-sim/scenario.h"
#include "tools/panel-sim/scenario_player.h"

namespace {

using panelsim::Options;
using panelsim::Scenario;
using panelsim::ScenarioPlayer;
using Bytes = std::vector<std::uint8_t>;

bool parse(const std::string& text, Scenario& scenario, std::string& error) {
    std::istringstream in(text);
    return panelsim::parseScenario(in, "test.scn", scenario, error);
}

TEST(ScenarioFileTest, RecordsCommentsAndBlankLines) {
    const std::string text =
        "# a scenario\n"
        "\n"
        "20 12 80 D5\n"
        "  0\t70 e3 82   # identity of the gear module\r\n"
        "150\n"
        "5 0 ff 7 78 09\n";
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(parse(text, scenario, error)) << error;
    EXPECT_EQ(scenario.name, "test.scn");
    ASSERT_EQ(scenario.records.size(), 4u);
    const struct {
        std::uint32_t delay;
        Bytes bytes;
        int line;
    } expected[] = {
        {20, {0x12, 0x80, 0xD5}, 3},
        {0, {0x70, 0xE3, 0x82}, 4},
        {150, {}, 5},
        {5, {0x00, 0xFF, 0x07, 0x78, 0x09}, 6},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(scenario.records[i].delayMs, expected[i].delay) << i;
        EXPECT_EQ(scenario.records[i].bytes, expected[i].bytes) << i;
        EXPECT_EQ(scenario.records[i].line, expected[i].line) << i;
    }
}

TEST(ScenarioFileTest, ErrorsNameFileAndLine) {
    const struct {
        const char* badLine;
        const char* message;
    } rows[] = {
        {"10 1G", "test.scn:3: '1G' is not a hex byte (00..FF)"},
        {"10 123", "test.scn:3: '123' is not a hex byte (00..FF)"},
        {"10 0x12", "test.scn:3: '0x12' is not a hex byte (00..FF)"},
        {"12,80", "test.scn:3: '12,80' is not a delay in milliseconds (0..3600000)"},
        {"-5 12", "test.scn:3: '-5' is not a delay in milliseconds (0..3600000)"},
        {"3600001 12", "test.scn:3: '3600001' is not a delay in milliseconds (0..3600000)"},
        {"ab 12", "test.scn:3: 'ab' is not a delay in milliseconds (0..3600000)"},
    };
    for (const auto& row : rows) {
        Scenario scenario;
        std::string error;
        EXPECT_FALSE(
            parse(std::string("0 12\n# fine so far\n") + row.badLine + "\n5 13\n", scenario, error))
            << row.badLine;
        EXPECT_EQ(error, row.message);
    }
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(parse("3600000 12\n", scenario, error)) << "the longest delay is allowed";
}

TEST(ScenarioFileTest, UnreadableFilesAreNamed) {
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(panelsim::loadScenarioFile("/nonexistent/zr8/x.scn", scenario, error));
    EXPECT_EQ(error.rfind("/nonexistent/zr8/x.scn: ", 0), 0u) << error;
    EXPECT_FALSE(panelsim::loadScenarioFile("/", scenario, error));
    EXPECT_EQ(error, "/: is a directory");

    char path[] = "/tmp/zr8-scenario-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path) << "1 AA\n2 zz\n";
    EXPECT_FALSE(panelsim::loadScenarioFile(path, scenario, error));
    EXPECT_EQ(error, std::string(path) + ":2: 'zz' is not a hex byte (00..FF)");
    std::ofstream(path) << "1 AA\n";
    EXPECT_TRUE(panelsim::loadScenarioFile(path, scenario, error)) << error;
    EXPECT_EQ(scenario.name, path);
    std::remove(path);
}

TEST(ScenarioFileTest, TheDemoWrittenAsAFileReadsBackTheSame) {
    const Scenario demo = panelsim::demoScenario();
    std::ostringstream out;
    panelsim::writeScenario(out, demo);
    Scenario back;
    std::string error;
    ASSERT_TRUE(parse(out.str(), back, error)) << error;
    ASSERT_EQ(back.records.size(), demo.records.size());
    for (std::size_t i = 0; i < demo.records.size(); ++i) {
        EXPECT_EQ(back.records[i].delayMs, demo.records[i].delayMs) << i;
        EXPECT_EQ(back.records[i].bytes, demo.records[i].bytes) << i;
    }
}

Scenario timed(std::initializer_list<std::uint32_t> delays) {
    Scenario scenario;
    std::uint8_t n = 0;
    for (std::uint32_t delay : delays) {
        panelsim::ScenarioRecord record;
        record.delayMs = delay;
        record.bytes = {n++};
        scenario.records.push_back(record);
    }
    return scenario;
}

TEST(ScenarioPlayerTest, EachRecordWaitsItsDelayScaledBySpeed) {
    const Scenario scenario = timed({0, 100, 40});
    ScenarioPlayer player(scenario, 2.0, false);
    EXPECT_EQ(player.next(1000).record, nullptr) << "not started";
    player.start(1000);

    panelsim::PlayerStep step = player.next(1000);
    ASSERT_NE(step.record, nullptr);
    EXPECT_EQ(step.record->bytes, Bytes{0});
    EXPECT_TRUE(step.firstOfRound);
    EXPECT_EQ(player.nextDueMs(), 1050);
    EXPECT_EQ(player.next(1049).record, nullptr);
    // Sent late: the following delay counts from when it was sent.
    step = player.next(1070);
    ASSERT_NE(step.record, nullptr);
    EXPECT_EQ(step.record->bytes, Bytes{1});
    EXPECT_EQ(player.nextDueMs(), 1090);
    step = player.next(1090);
    ASSERT_NE(step.record, nullptr);
    EXPECT_TRUE(step.lastOfRound);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.next(99999).record, nullptr);
}

TEST(ScenarioPlayerTest, LoopStartsOverAndStopHolds) {
    const Scenario scenario = timed({30, 10});
    ScenarioPlayer player(scenario, 0.5, true);
    player.start(0);
    EXPECT_EQ(player.nextDueMs(), 60);
    std::vector<int> sent;
    std::vector<bool> firsts;
    for (std::int64_t now = 0; now <= 200; ++now) {
        const panelsim::PlayerStep step = player.next(now);
        if (step.record != nullptr) {
            sent.push_back(static_cast<int>(now));
            firsts.push_back(step.firstOfRound);
        }
    }
    EXPECT_EQ(sent, (std::vector<int>{60, 80, 140, 160}));
    EXPECT_EQ(firsts, (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(player.playing());
    player.stop();
    EXPECT_EQ(player.next(100000).record, nullptr);

    const Scenario empty;
    ScenarioPlayer nothing(empty, 1.0, true);
    nothing.start(0);
    EXPECT_FALSE(nothing.playing());
}

TEST(OptionsTest, EveryOptionTakesItsValue) {
    Options options;
    std::string error;
    ASSERT_TRUE(panelsim::parseOptions(
        {"--device", "/dev/ttyUSB0", "--baud=9600", "--scenario", "a.scn", "--start-after-ms",
         "250", "--speed", "2.5", "--loop", "--exit-on-hangup", "--verbose"},
        options, error))
        << error;
    EXPECT_EQ(options.devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(options.baud, 9600);
    EXPECT_EQ(options.scenarioPath, "a.scn");
    EXPECT_EQ(options.startMode, panelsim::StartMode::AfterDelay);
    EXPECT_EQ(options.startAfterMs, 250u);
    EXPECT_DOUBLE_EQ(options.speed, 2.5);
    EXPECT_TRUE(options.loop && options.exitOnHangup && options.verbose);

    ASSERT_TRUE(panelsim::parseOptions({"--link", "/tmp/com5", "--start-now"}, options, error));
    EXPECT_EQ(options.linkPath, "/tmp/com5");
    EXPECT_EQ(options.startMode, panelsim::StartMode::Now);
    EXPECT_EQ(options.baud, 38400);
    ASSERT_TRUE(panelsim::parseOptions({}, options, error));
    EXPECT_EQ(options.startMode, panelsim::StartMode::OnFirstFrame);
}

TEST(OptionsTest, BadCommandLinesAreRefused) {
    const std::vector<std::vector<std::string>> rows = {
        {"--link"},
        {"--link", ""},
        {"--baud", "19200", "--device", "/dev/ttyS0"},
        {"--baud", "9600"},
        {"--link", "a", "--device", "b"},
        {"--start-now", "--start-after-ms", "5"},
        {"--start-after-ms", "soon"},
        {"--speed", "0"},
        {"--speed", "fast"},
        {"--speed", "2x"},
        {"--loop=1"},
        {"--frobnicate"},
        {"extra"},
    };
    for (const std::vector<std::string>& row : rows) {
        Options options;
        std::string error;
        EXPECT_FALSE(panelsim::parseOptions(row, options, error)) << row[0];
        EXPECT_FALSE(error.empty()) << row[0];
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

}  // namespace

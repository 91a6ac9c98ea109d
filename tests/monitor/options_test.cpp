// zr8-monitor's command line and how a connection is named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/program/connection.h"
#include "monitor/program/options.h"

namespace {

using Args = std::vector<std::string>;

TEST(MonitorOptions, CommandLinesItTakes) {
    MonitorOptions options;
    std::string error;
    ASSERT_TRUE(
        parseMonitorOptions({"COM3", "--speed", "9600", "--json", "--raw", "--capture", "c.zr8cap",
                             "--send", "trim on 3", "--send", "hobbs on", "--duration", "2.5"},
                            options, error))
        << error;
    EXPECT_EQ(options.connection, "COM3");
    EXPECT_EQ(options.speed, 9600);
    EXPECT_TRUE(options.json && options.raw);
    EXPECT_EQ(options.capturePath, "c.zr8cap");
    EXPECT_EQ(options.sends, (Args{"trim on 3", "hobbs on"}));
    EXPECT_DOUBLE_EQ(options.durationSeconds, 2.5);
    EXPECT_TRUE(options.watches());

    ASSERT_TRUE(parseMonitorOptions(
        {"--replay", "x.zr8cap", "--fast", "--coverage", "--timeout", "30", "--report", "r.json"},
        options, error))
        << error;
    EXPECT_EQ(options.replayPath, "x.zr8cap");
    EXPECT_TRUE(options.fast && options.coverage);
    EXPECT_DOUBLE_EQ(options.timeoutSeconds, 30.0);
    EXPECT_EQ(options.speed, 38400);  // the default

    ASSERT_TRUE(parseMonitorOptions({"--list"}, options, error));
    EXPECT_TRUE(options.list);
}

TEST(MonitorOptions, OutputsAloneDoNotWatch) {
    struct Case {
        Args args;
        bool watches;
    };
    const Case cases[] = {
        {{"COM3"}, true},
        {{"COM3", "--send", "hobbs on"}, false},
        {{"COM3", "--output-test"}, false},
        {{"COM3", "--send", "hobbs on", "--duration", "5"}, true},
        {{"COM3", "--output-test", "--coverage"}, true},
        {{"COM3", "--send", "hobbs on", "--json"}, true},
    };
    for (const Case& c : cases) {
        MonitorOptions options;
        std::string error;
        ASSERT_TRUE(parseMonitorOptions(c.args, options, error)) << error;
        EXPECT_EQ(options.watches(), c.watches) << c.args.back();
    }
}

TEST(MonitorOptions, CommandLinesItRefusesWithAReason) {
    struct Case {
        Args args;
        const char* mentions;
    };
    const Case cases[] = {
        {{}, "no connection"},
        {{"COM3", "COM4"}, "COM4"},
        {{"COM3", "--speed", "115200"}, "115200"},
        {{"COM3", "--speed"}, "--speed needs a value"},
        {{"COM3", "--bogus"}, "--bogus"},
        {{"COM3", "--duration", "0"}, "--duration"},
        {{"COM3", "--duration", "2x"}, "2x"},
        {{"COM3", "--duration", "nan"}, "nan"},
        {{"COM3", "--timeout", "5"}, "--coverage"},
        {{"COM3", "--fast"}, "--replay"},
        {{"COM3", "--replay", "x.zr8cap"}, "not both"},
        {{"--replay", "x.zr8cap", "--send", "hobbs on"}, "--send"},
        {{"--replay", "x.zr8cap", "--capture", "y.zr8cap"}, "--capture"},
        {{"--list", "COM3"}, "--list"},
    };
    for (const Case& c : cases) {
        MonitorOptions options;
        std::string error;
        EXPECT_FALSE(parseMonitorOptions(c.args, options, error));
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(MonitorConnection, RowsAreFoundByNumberLabelOrPortName) {
    const std::vector<std::string> labels = {"COMM - COM1", "COMM - COM5", "USB - ZR8 Bench",
                                             "USB - Nicht programmiert"};
    struct Case {
        const char* name;
        int row;
    };
    const Case cases[] = {
        {"1", 0},
        {"4", 3},
        {"0", -1},
        {"5", -1},
        {"00002", -1},
        {"COM5", 1},
        {"com5", 1},
        {"COMM - COM5", 1},
        {"COM2", -1},
        {"COM", -1},
        {"USB - ZR8 Bench", 2},
        {"usb - zr8 bench", 2},
        {"ZR8 Bench", -1},
        {"", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findConnection(labels, c.name), c.row) << '"' << c.name << '"';
    }
}

}  // namespace

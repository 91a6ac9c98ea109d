// The isolated changes of the latency figure: spacing, records, the match with the screen, and
// the writer that sends them at their times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "bench/program/isolated_changes.h"
#include "bench/program/line_writer.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

TEST(IsolatedChangesTest, GapsSpanTheirRangeAtAnyPhaseOfThePoll) {
    const std::vector<Clock::duration> due =
        isolated::dueTimes(2000, 7, milliseconds(30), milliseconds(70));
    ASSERT_EQ(due.size(), 2000u);
    double smallest = 1e9, largest = 0;
    std::vector<int> phaseBins(10, 0);  // where each record falls in a 5 ms poll, by 0.5 ms
    Clock::duration previous{};
    for (const Clock::duration& when : due) {
        const double gap = ms(when - previous);
        EXPECT_GE(gap, 30.0);
        EXPECT_LE(gap, 70.0);
        smallest = std::min(smallest, gap);
        largest = std::max(largest, gap);
        previous = when;
        ++phaseBins[static_cast<int>(std::fmod(ms(when), 5.0) / 0.5)];
    }
    EXPECT_LT(smallest, 31.0);
    EXPECT_GT(largest, 69.0);
    // Uniform phases put about 200 in each bin; gaps of whole milliseconds would leave half of
    // them empty.
    for (int count : phaseBins) {
        EXPECT_GT(count, 120);
    }
    EXPECT_EQ(isolated::dueTimes(2000, 7, milliseconds(30), milliseconds(70)), due);
    EXPECT_NE(isolated::dueTimes(2000, 8, milliseconds(30), milliseconds(70)), due);
}

TEST(IsolatedChangesTest, EachRecordChangesTheRudderTrimValue) {
    const std::vector<Clock::duration> due{milliseconds(40), milliseconds(80), milliseconds(130)};
    struct Case {
        int shown;
        std::vector<int> values;
    };
    for (const Case& c : {Case{-1, {0, 1, 2}}, Case{5, {6, 7, 8}}, Case{126, {127, 0, 1}}}) {
        const isolated::Records records = isolated::trimRecords(due, c.shown);
        EXPECT_EQ(records.values, c.values) << "shown " << c.shown;
        std::vector<std::uint8_t> bytes;
        for (int value : c.values) {
            bytes.insert(bytes.end(), {24, 0x80 | 46, static_cast<std::uint8_t>(0x80 | value)});
        }
        EXPECT_EQ(records.bytes, bytes) << "shown " << c.shown;
        ASSERT_EQ(records.bursts.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(records.bursts[k].due, due[k]);
            EXPECT_EQ(records.bursts[k].length, 3u);
        }
    }
}

TEST(IsolatedChangesTest, EachRecordIsMatchedWithTheFirstValueShownAfterIt) {
    const Clock::time_point t0 = Clock::now();
    const std::vector<Clock::time_point> sent{t0, t0 + milliseconds(40), t0 + milliseconds(90)};
    const std::vector<int> values{10, 11, 12};
    struct Case {
        const char* what;
        isolated::ValueStamps shown;
        std::vector<double> latencies;
        std::size_t missed;
    };
    const std::vector<Case> cases{
        {"each shown once",
         {{t0 + milliseconds(3), 10}, {t0 + milliseconds(41), 11}, {t0 + milliseconds(95), 12}},
         {3, 1, 5},
         0},
        {"the old value shown before the record does not count",
         {{t0 - milliseconds(1), 9},
          {t0 + milliseconds(2), 10},
          {t0 + milliseconds(42), 11},
          {t0 + milliseconds(92), 12}},
         {2, 2, 2},
         0},
        {"a record overtaken by the next one before it was shown",
         {{t0 + milliseconds(2), 10}, {t0 + milliseconds(93), 12}},
         {2, 3},
         1},
        {"a late value still belongs to its record",
         {{t0 + milliseconds(45), 10}, {t0 + milliseconds(46), 11}, {t0 + milliseconds(91), 12}},
         {45, 6, 1},
         0},
        {"the last record never shown",
         {{t0 + milliseconds(2), 10}, {t0 + milliseconds(42), 11}},
         {2, 2},
         1},
        {"a wrong value shown", {{t0 + milliseconds(2), 10}, {t0 + milliseconds(42), 13}}, {2}, 2},
    };
    for (const Case& c : cases) {
        const isolated::Matched matched = isolated::match(c.shown, sent, values);
        ASSERT_EQ(matched.latenciesMs.size(), c.latencies.size()) << c.what;
        for (std::size_t i = 0; i < c.latencies.size(); ++i) {
            EXPECT_NEAR(matched.latenciesMs[i], c.latencies[i], 1e-6) << c.what;
        }
        EXPECT_EQ(matched.missed, c.missed) << c.what;
    }
}

TEST(IsolatedChangesTest, TheWriterSendsEachBurstWholeAndNotBeforeItsTime) {
    LineWriter line;
    ASSERT_TRUE(line.ok());
    const int port = open(line.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(port, 0);
    const isolated::Records records = isolated::trimRecords(
        {milliseconds(10), milliseconds(25), milliseconds(60), milliseconds(61)}, -1);
    const Clock::time_point before = Clock::now();
    line.startBursts(records.bytes, records.bursts);
    std::vector<std::uint8_t> received;
    std::uint8_t buffer[64];
    // Bounded: the bursts are due within 61 ms.
    for (int round = 0; round < 200 && received.size() < records.bytes.size(); ++round) {
        pollfd readable{port, POLLIN, 0};
        if (poll(&readable, 1, 10) > 0) {
            const ssize_t count = read(port, buffer, sizeof buffer);
            if (count > 0) {
                received.insert(received.end(), buffer, buffer + count);
            }
        }
    }
    line.stop();
    close(port);
    EXPECT_EQ(received, records.bytes);
    ASSERT_EQ(line.sent(), records.bytes.size());
    for (std::size_t k = 0; k < records.bursts.size(); ++k) {
        EXPECT_GE(line.sentAt(3 * k), before + records.bursts[k].due) << "record " << k;
        EXPECT_EQ(line.sentAt(3 * k + 2), line.sentAt(3 * k)) << "record " << k;
    }
}

}  // namespace

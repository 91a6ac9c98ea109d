// The poll intervals behind the wait of a lone record for the next read.
#include "bench/program/poll_intervals.h"

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<Clock::time_point> readsAfter(const std::vector<double>& intervalsMs) {
    std::vector<Clock::time_point> reads{Clock::time_point{}};
    for (double ms : intervalsMs) {
        reads.push_back(reads.back() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double, std::milli>(ms)));
    }
    return reads;
}

TEST(PollIntervalsTest, ARandomMomentWaitsLongerWhenThePollsWander) {
    struct Case {
        const char* what;
        std::vector<double> intervals;
        double mean, max, meanWait;
    };
    const std::vector<double> steady(100, 5.0);
    std::vector<double> wandering;
    for (int i = 0; i < 50; ++i) {
        wandering.insert(wandering.end(), {4.0, 6.0});
    }
    std::vector<double> oneLate = steady;
    oneLate[40] = 25.0;
    for (const Case& c : {Case{"steady", steady, 5.0, 5.0, 2.5},
                          Case{"4 and 6 ms in turn", wandering, 5.0, 6.0, 2.6},
                          // 99 x 25 + 625 over 2 x 520
                          Case{"one poll 20 ms late", oneLate, 5.2, 25.0, 3100.0 / 1040.0}}) {
        const PollIntervals result = pollIntervals(readsAfter(c.intervals));
        EXPECT_EQ(result.intervals, c.intervals.size()) << c.what;
        EXPECT_NEAR(result.meanMs, c.mean, 1e-6) << c.what;
        EXPECT_NEAR(result.maxMs, c.max, 1e-6) << c.what;
        EXPECT_NEAR(result.meanWaitMs, c.meanWait, 1e-6) << c.what;
    }
    EXPECT_EQ(pollIntervals(readsAfter({})).intervals, 0u);
    EXPECT_EQ(pollIntervals(readsAfter({})).meanWaitMs, 0.0);
}

}  // namespace

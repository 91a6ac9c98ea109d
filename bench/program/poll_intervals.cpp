// Intervals between the window's reads of the port.
#include "bench/program/poll_intervals.h"

#include "bench/program/percentiles.h"

PollIntervals pollIntervals(const std::vector<std::chrono::steady_clock::time_point>& reads) {
    PollIntervals result;
    if (reads.size() < 2) {
        return result;
    }
    std::vector<double> intervals;
    double sum = 0, sumOfSquares = 0;
    for (std::size_t i = 1; i < reads.size(); ++i) {
        const double ms =
            std::chrono::duration<double, std::milli>(reads[i] - reads[i - 1]).count();
        intervals.push_back(ms);
        sum += ms;
        sumOfSquares += ms * ms;
    }
    const Percentiles spread = percentiles(intervals);
    result.intervals = intervals.size();
    result.meanMs = sum / static_cast<double>(intervals.size());
    result.p99Ms = spread.p99;
    result.maxMs = spread.max;
    result.meanWaitMs = sum > 0 ? sumOfSquares / (2 * sum) : 0;
    return result;
}

// How regularly the window polled: the intervals between its reads of the port, and how long a
// byte that comes at a random moment waits on average for the next read.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

struct PollIntervals {
    std::size_t intervals = 0;
    double meanMs = 0, p99Ms = 0, maxMs = 0;
    // Over a random moment between the first read and the last: a long interval catches more
    // moments than a short one, so this is the mean of the squared intervals over twice their
    // mean (2.5 ms for polls exactly 5 ms apart, more when they wander).
    double meanWaitMs = 0;
};

// The reads' times in order; all zero for fewer than two.
PollIntervals pollIntervals(const std::vector<std::chrono::steady_clock::time_point>& reads);

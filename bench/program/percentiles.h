// The latency figures' statistics: median, 99th percentile and maximum of a set of samples.
#pragma once

#include <cstddef>
#include <vector>

struct Percentiles {
    double p50 = 0, p99 = 0, max = 0;
    std::size_t samples = 0;
};

// The samples in any order; all zero for none.
Percentiles percentiles(std::vector<double> samples);

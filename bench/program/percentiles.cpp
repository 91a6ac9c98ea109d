// Median, 99th percentile and maximum, read from the sorted samples.
#include "bench/program/percentiles.h"

#include <algorithm>

Percentiles percentiles(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    Percentiles result;
    result.samples = samples.size();
    if (!samples.empty()) {
        result.p50 = samples[samples.size() / 2];
        result.p99 = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
        result.max = samples.back();
    }
    return result;
}

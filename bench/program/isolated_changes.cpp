// Isolated rudder-trim changes: their times, their records, and their match with the screen.
#include "bench/program/isolated_changes.h"

#include <random>

namespace isolated {

std::vector<Clock::duration> dueTimes(std::size_t count, std::uint32_t seed, Clock::duration minGap,
                                      Clock::duration maxGap) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> gap(
        std::chrono::duration_cast<std::chrono::nanoseconds>(minGap).count(),
        std::chrono::duration_cast<std::chrono::nanoseconds>(maxGap).count());
    std::vector<Clock::duration> result;
    result.reserve(count);
    Clock::duration due{};
    for (std::size_t k = 0; k < count; ++k) {
        due += std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(gap(random)));
        result.push_back(due);
    }
    return result;
}

Records trimRecords(const std::vector<Clock::duration>& due, int shownValue) {
    Records result;
    int value = shownValue;
    for (const Clock::duration& when : due) {
        value = (value + 1) % 128;
        result.bytes.insert(result.bytes.end(),
                            {24, 0x80 | 46, static_cast<std::uint8_t>(0x80 | value)});
        result.bursts.push_back({when, 3});
        result.values.push_back(value);
    }
    return result;
}

Matched match(const ValueStamps& shown, const std::vector<Clock::time_point>& lastByteSent,
              const std::vector<int>& values) {
    Matched result;
    std::size_t next = 0;
    for (std::size_t k = 0; k < lastByteSent.size() && k < values.size(); ++k) {
        while (next < shown.size() && shown[next].first < lastByteSent[k]) {
            ++next;
        }
        if (next < shown.size() && shown[next].second == values[k]) {
            result.latenciesMs.push_back(
                std::chrono::duration<double, std::milli>(shown[next].first - lastByteSent[k])
                    .count());
            ++next;
        } else {
            ++result.missed;
        }
    }
    return result;
}

}  // namespace isolated

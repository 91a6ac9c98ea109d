// Isolated changes for the latency a person feels: one rudder-trim record at a time, each with
// a new value, spaced irregularly so that each comes at a random moment of the window's 5 ms
// poll (as a hand on the trim wheel does), and the match of each record with its paint.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "bench/program/line_writer.h"

namespace isolated {

using Clock = std::chrono::steady_clock;

// When each of `count` records is due after the start: gaps drawn uniformly from
// [minGap, maxGap] (to the nanosecond, so the records fall at any phase of the poll), the
// first gap included; the same seed gives the same times.
std::vector<Clock::duration> dueTimes(std::size_t count, std::uint32_t seed, Clock::duration minGap,
                                      Clock::duration maxGap);

struct Records {
    std::vector<std::uint8_t> bytes;        // the records back to back, 3 bytes each
    std::vector<LineWriter::Burst> bursts;  // one record per burst
    std::vector<int> values;                // the rudder-trim value each record carries
};

// Rudder-trim records (command 24, sub-code 46, the value) at the given times, the values
// counting up from the one after `shownValue` (the read-out's value before the first, or -1)
// and wrapping after 127, so that each record changes what the read-out shows.
Records trimRecords(const std::vector<Clock::duration>& due, int shownValue);

// A value a control showed and when.
using ValueStamps = std::vector<std::pair<Clock::time_point, int>>;

struct Matched {
    std::vector<double> latenciesMs;  // one per matched record, in record order
    std::size_t missed = 0;           // records whose value was not the next one shown
};

// Matches record k (its last byte handed over at lastByteSent[k], carrying values[k]) with the
// first stamp at or after that moment: a stamp of its value gives its latency, any other value
// (or none) makes it missed.
Matched match(const ValueStamps& shown, const std::vector<Clock::time_point>& lastByteSent,
              const std::vector<int>& values);

}  // namespace isolated

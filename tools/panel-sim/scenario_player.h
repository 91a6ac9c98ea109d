// Timing of a scenario: which record is due when. Pure: the caller passes the time in
// milliseconds on a monotonic clock and sends what comes back.
#pragma once

#include <cstdint>

#include "tools/panel-sim/scenario.h"

namespace panelsim {

struct PlayerStep {
    const ScenarioRecord* record = nullptr;  // null when nothing is due
    bool firstOfRound = false;               // the scenario starts from the top with it
    bool lastOfRound = false;                // the scenario has been played through with it
};

class ScenarioPlayer {
  public:
    // speed scales every delay by 1 / speed; with loop the scenario starts over after its end.
    ScenarioPlayer(const Scenario& scenario, double speed, bool loop);

    // Starts from the top: the first record is due its delay after nowMs.
    void start(std::int64_t nowMs);
    void stop() { playing_ = false; }
    bool playing() const { return playing_; }

    // The next record if it is due at nowMs (then the following one is timed from nowMs).
    PlayerStep next(std::int64_t nowMs);
    // When the next record is due; only meaningful while playing.
    std::int64_t nextDueMs() const { return nextDueMs_; }

  private:
    std::int64_t scaled(std::uint32_t delayMs) const;

    const Scenario& scenario_;
    double speed_;
    bool loop_;
    bool playing_ = false;
    std::size_t index_ = 0;
    std::int64_t nextDueMs_ = 0;
};

}  // namespace panelsim

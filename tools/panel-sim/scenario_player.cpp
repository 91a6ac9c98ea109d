// Timing of a scenario.
#include "tools/panel-sim/scenario_player.h"

#include <cmath>

namespace panelsim {

ScenarioPlayer::ScenarioPlayer(const Scenario& scenario, double speed, bool loop)
    : scenario_(scenario), speed_(speed > 0 ? speed : 1.0), loop_(loop) {}

std::int64_t ScenarioPlayer::scaled(std::uint32_t delayMs) const {
    return static_cast<std::int64_t>(std::llround(delayMs / speed_));
}

void ScenarioPlayer::start(std::int64_t nowMs) {
    index_ = 0;
    playing_ = !scenario_.records.empty();
    if (playing_) {
        nextDueMs_ = nowMs + scaled(scenario_.records[0].delayMs);
    }
}

PlayerStep ScenarioPlayer::next(std::int64_t nowMs) {
    PlayerStep step;
    if (!playing_ || nowMs < nextDueMs_) {
        return step;
    }
    const std::size_t count = scenario_.records.size();
    step.record = &scenario_.records[index_];
    step.firstOfRound = index_ == 0;
    step.lastOfRound = index_ + 1 == count;
    index_ += 1;
    if (index_ == count) {
        if (!loop_) {
            playing_ = false;
            return step;
        }
        index_ = 0;
    }
    nextDueMs_ = nowMs + scaled(scenario_.records[index_].delayMs);
    return step;
}

}  // namespace panelsim

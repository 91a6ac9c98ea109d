// The coverage check with an expected panel profile: which modules owe their items, and the
// verdict over the profile's module items and the coverage items together.
#pragma once

#include <string>
#include <vector>

#include "monitor/coverage/coverage_tracker.h"
#include "monitor/profile/profile_check.h"

// Required modules owe their items from the start, optional ones once they announce
// themselves, every other module nothing.
void applyProfile(CoverageTracker& tracker, const PanelProfile& profile);

// Every required profile item passed and every required coverage item was seen.
bool profileCheckComplete(const CoverageTracker& tracker, const std::vector<ProfileItem>& items);

// The failing items: the modules first ("module 98 ORVAN ZR8 PowerQuadrant Modul, version 6 or
// later: announced version 5"), then the values not seen.
std::vector<std::string> profileCheckMissing(const CoverageTracker& tracker,
                                             const std::vector<ProfileItem>& items);

// "PASS: all 112 items met in 41.2 s (9 modules of profile \"Demo\", 103 values)", or
// "FAIL: 2 of 112 items not met after 30.0 s:" and one indented line per failing item.
std::vector<std::string> profileResultLines(const CoverageTracker& tracker,
                                            const std::vector<ProfileItem>& items,
                                            const std::string& profileName, double seconds);

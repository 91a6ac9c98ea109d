// The modules that announced themselves, judged against an expected panel profile: one item per
// module of the profile and per module that announced itself without being in it.
#pragma once

#include <string>
#include <vector>

#include "monitor/profile/panel_profile.h"
#include "protocol/module_registry.h"

enum class ProfileOutcome {
    Present,         // announced itself at or above its version
    Missing,         // a required module that did not announce itself
    Outdated,        // announced itself below its version
    Unexpected,      // announced itself and is not in the profile
    OptionalAbsent,  // an optional module that did not announce itself: owes nothing
};

struct ProfileItem {
    int type = 0;
    bool optional = false;  // the profile's rule for it (an unexpected module: false)
    bool inProfile = true;
    int minVersion = 0;
    int version = -1;  // as announced; -1 when it did not announce itself
    ProfileOutcome outcome = ProfileOutcome::Missing;

    // Whether the item counts in the verdict (an absent optional module does not), and whether
    // it passed.
    bool required() const { return outcome != ProfileOutcome::OptionalAbsent; }
    bool passed() const {
        return outcome == ProfileOutcome::Present || outcome == ProfileOutcome::OptionalAbsent;
    }
};

// The profile's modules in its order, then the unexpected ones in ascending order of type.
std::vector<ProfileItem> checkProfile(const PanelProfile& profile, const ModuleRegistry& registry);

// Every required item passed.
bool profilePassed(const std::vector<ProfileItem>& items);

// "module 98 ORVAN ZR8 PowerQuadrant Modul, version 5 or later" (an unexpected module:
// "module 50 Unknown I2C Device, not in the profile").
std::string profileItemName(const ProfileItem& item);
// What went wrong, or "" for an item that passed: "did not announce itself",
// "announced version 4", "announced itself (version 1)".
std::string profileItemProblem(const ProfileItem& item);
// "pass", "missing", "outdated", "unexpected", "optional, absent".
const char* profileOutcomeWord(ProfileOutcome outcome);

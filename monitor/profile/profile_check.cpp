// Judging the module registry against a profile.
#include "monitor/profile/profile_check.h"

std::vector<ProfileItem> checkProfile(const PanelProfile& profile, const ModuleRegistry& registry) {
    std::vector<ProfileItem> items;
    for (const ProfileModule& module : profile.modules) {
        if (module.type < 0 || module.type >= kModuleTypeCount) {
            continue;  // the parser allows none; a profile built in code is held to it too
        }
        const ModuleEntry& entry = registry.entries[module.type];
        ProfileItem item;
        item.type = module.type;
        item.optional = module.optional;
        item.minVersion = module.minVersion;
        if (entry.present == 0) {
            item.outcome =
                module.optional ? ProfileOutcome::OptionalAbsent : ProfileOutcome::Missing;
        } else {
            item.version = entry.version;
            item.outcome = entry.version >= module.minVersion ? ProfileOutcome::Present
                                                              : ProfileOutcome::Outdated;
        }
        items.push_back(item);
    }
    for (int type = 0; type < kModuleTypeCount; ++type) {
        if (registry.entries[type].present != 0 && profile.find(type) == nullptr) {
            ProfileItem item;
            item.type = type;
            item.inProfile = false;
            item.version = registry.entries[type].version;
            item.outcome = ProfileOutcome::Unexpected;
            items.push_back(item);
        }
    }
    return items;
}

bool profilePassed(const std::vector<ProfileItem>& items) {
    for (const ProfileItem& item : items) {
        if (!item.passed()) {
            return false;
        }
    }
    return true;
}

std::string profileItemName(const ProfileItem& item) {
    std::string name = "module " + std::to_string(item.type) + " " + moduleTypeName(item.type);
    if (!item.inProfile) {
        return name + ", not in the profile";
    }
    if (item.minVersion > 0) {
        name += ", version " + std::to_string(item.minVersion) + " or later";
    }
    return name + (item.optional ? " (optional)" : "");
}

std::string profileItemProblem(const ProfileItem& item) {
    switch (item.outcome) {
        case ProfileOutcome::Missing:
            return "did not announce itself";
        case ProfileOutcome::Outdated:
            return "announced version " + std::to_string(item.version);
        case ProfileOutcome::Unexpected:
            return "announced itself (version " + std::to_string(item.version) + ")";
        default:
            return "";
    }
}

const char* profileOutcomeWord(ProfileOutcome outcome) {
    switch (outcome) {
        case ProfileOutcome::Present:
            return "pass";
        case ProfileOutcome::Missing:
            return "missing";
        case ProfileOutcome::Outdated:
            return "outdated";
        case ProfileOutcome::Unexpected:
            return "unexpected";
        case ProfileOutcome::OptionalAbsent:
            return "optional, absent";
    }
    return "?";
}

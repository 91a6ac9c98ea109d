// The coverage verdict with a profile.
#include "monitor/coverage/profile_verdict.h"

#include "monitor/coverage/decimal_text.h"
#include "text/text_escape.h"

void applyProfile(CoverageTracker& tracker, const PanelProfile& profile) {
    ModuleDemand demands[kModuleTypeCount];
    for (ModuleDemand& demand : demands) {
        demand = ModuleDemand::Never;
    }
    for (const ProfileModule& module : profile.modules) {
        if (module.type >= 0 && module.type < kModuleTypeCount) {
            demands[module.type] =
                module.optional ? ModuleDemand::IfAnnounced : ModuleDemand::Always;
        }
    }
    tracker.setModuleDemands(demands);
}

bool profileCheckComplete(const CoverageTracker& tracker, const std::vector<ProfileItem>& items) {
    return profilePassed(items) && tracker.seenRequiredCount() == tracker.requiredCount();
}

std::vector<std::string> profileCheckMissing(const CoverageTracker& tracker,
                                             const std::vector<ProfileItem>& items) {
    std::vector<std::string> missing;
    for (const ProfileItem& item : items) {
        if (!item.passed()) {
            missing.push_back(profileItemName(item) + ": " + profileItemProblem(item));
        }
    }
    for (std::string& name : tracker.missing()) {
        missing.push_back(std::move(name));
    }
    return missing;
}

std::vector<std::string> profileResultLines(const CoverageTracker& tracker,
                                            const std::vector<ProfileItem>& items,
                                            const std::string& profileName, double seconds) {
    int modules = 0;
    for (const ProfileItem& item : items) {
        modules += item.required() ? 1 : 0;
    }
    const int values = tracker.requiredCount();
    const std::string total = std::to_string(modules + values);
    const std::string time = fixedDecimal(seconds, 1) + " s";
    const std::vector<std::string> missing = profileCheckMissing(tracker, items);
    if (missing.empty()) {
        return {"PASS: all " + total + " items met in " + time + " (" + std::to_string(modules) +
                " modules of profile " + jsonString(profileName) + ", " + std::to_string(values) +
                " values)"};
    }
    std::vector<std::string> lines = {"FAIL: " + std::to_string(missing.size()) + " of " + total +
                                      " items not met after " + time + ":"};
    for (const std::string& name : missing) {
        lines.push_back("  " + name);
    }
    return lines;
}

// The expected panel profile: its file format (every error names file and line), and what the
// announced modules and the coverage items owe under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "monitor/catalog/slot_catalog.h"
#include "monitor/coverage/profile_verdict.h"
#include "monitor/profile/panel_profile.h"
#include "tests/monitor/coverage/coverage_fixture.h"

namespace {

PanelProfile parsed(const std::string& text) {
    PanelProfile profile;
    std::string error;
    EXPECT_TRUE(parsePanelProfile(text, "p.profile", profile, error)) << error;
    return profile;
}

TEST(PanelProfile, ReadsNameModulesAndOptionalOnes) {
    const PanelProfile profile = parsed(
        "\xEF\xBB\xBF# Twin cockpit, panel set B\r\n"
        "name   Twin cockpit B  \r\n"
        "\r\n"
        "  module 16 min-version 3\r\n"
        "module\t98\tmin-version 5\n"
        "optional 50\n"
        "optional 99 min-version 2");
    EXPECT_EQ(profile.name, "Twin cockpit B");
    ASSERT_EQ(profile.modules.size(), 4u);
    const std::vector<std::pair<int, int>> versions = {{16, 3}, {98, 5}, {50, 0}, {99, 2}};
    for (std::size_t i = 0; i < versions.size(); ++i) {
        EXPECT_EQ(profile.modules[i].type, versions[i].first);
        EXPECT_EQ(profile.modules[i].minVersion, versions[i].second);
        EXPECT_EQ(profile.modules[i].optional, i >= 2);
    }
    EXPECT_EQ(profile.find(98), &profile.modules[1]);
    EXPECT_EQ(profile.find(17), nullptr);
}

TEST(PanelProfile, EachErrorIsOneLineNamingFileAndLine) {
    const std::string longLine = "name " + std::string(kProfileLineLimit, 'x');
    const std::string longFile = std::string(kProfileSizeLimit, '#') + "\nmodule 16\n";
    const struct {
        std::string text;
        const char* where;
        const char* says;
    } cases[] = {
        {"module 16\nmodul 17\n", "p.profile:2: ", "unknown keyword \"modul\""},
        {"module 1x\n", "p.profile:1: ", "not a number 0..127"},
        {"module -1\n", "p.profile:1: ", "not a number"},
        {"module 128\n", "p.profile:1: ", "0..127"},
        {"module 0016\n", "p.profile:1: ", "not a number"},
        {"module 16 min-version 128\n", "p.profile:1: ", "version \"128\""},
        {"module 16 min-version\n", "p.profile:1: ", "takes a module type"},
        {"module 16 max-version 3\n", "p.profile:1: ", "expected min-version"},
        {"module\n", "p.profile:1: ", "takes a module type"},
        {"# x\nmodule 16\noptional 16\n", "p.profile:3: ", "module 16 is named twice"},
        {"name A\nmodule 16\nname B\n", "p.profile:3: ", "on line 1"},
        {"name\nmodule 16\n", "p.profile:1: ", "name without a text"},
        {"module 16\nname a\x01"
         "b\n",
         "p.profile:2: ", "control character"},
        {"module 16\n" + longLine + "\n", "p.profile:2: ", "longer than 200"},
        {longFile, "p.profile:1: ", "longer than 64 KiB"},
        {"# nothing\nname X\n", "p.profile:2: ", "names no module"},
        {"", "p.profile:1: ", "names no module"},
    };
    for (const auto& c : cases) {
        PanelProfile profile;
        std::string error;
        EXPECT_FALSE(parsePanelProfile(c.text, "p.profile", profile, error)) << c.text;
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(PanelProfile, AnUnreadableFileIsNamed) {
    PanelProfile profile;
    std::string error;
    const std::string path =
        (std::filesystem::temp_directory_path() / "zr8-no-such-folder" / "x.profile").string();
    EXPECT_FALSE(loadPanelProfile(path, profile, error));
    EXPECT_EQ(error.rfind("cannot read the profile " + path + ": ", 0), 0u) << error;
}

class ProfileRulesTest : public CoverageTest {
  protected:
    static Bytes announceVersion(std::uint8_t type, unsigned version) {
        return {112, d(type), d(version)};
    }
    // How many items of the module's slots the check requires.
    int requiredOf(int type) const {
        int count = 0;
        for (const CoverageItem& item : tracker.items()) {
            count += slotInfo(item.slot).moduleType == type && tracker.required(item) ? 1 : 0;
        }
        return count;
    }
    int itemsOf(int type) const {
        int count = 0;
        for (const CoverageItem& item : tracker.items()) {
            count += slotInfo(item.slot).moduleType == type ? 1 : 0;
        }
        return count;
    }
};

using Outcomes = std::vector<std::pair<int, ProfileOutcome>>;

TEST_F(ProfileRulesTest, MissingOutdatedUnexpectedAndOptionalModules) {
    using O = ProfileOutcome;
    const struct {
        const char* profile;
        std::vector<std::pair<std::uint8_t, unsigned>> announced;  // type, version
        Outcomes outcomes;
        std::vector<int> owing;  // modules whose items are all required; the others' none
    } cases[] = {
        // A required module owes its switches before it announces itself.
        {"module 18", {}, {{18, O::Missing}}, {18}},
        {"module 18 min-version 3", {{18, 2}}, {{18, O::Outdated}}, {18}},
        {"module 18 min-version 2", {{18, 2}}, {{18, O::Present}}, {18}},
        {"module 18 min-version 2", {{18, 1}, {18, 4}}, {{18, O::Present}}, {18}},
        // An optional module owes nothing until it announces itself.
        {"module 18\noptional 99", {{18, 1}}, {{18, O::Present}, {99, O::OptionalAbsent}}, {18}},
        {"module 18\noptional 99", {{99, 1}}, {{18, O::Missing}, {99, O::Present}}, {18, 99}},
        {"optional 99 min-version 3", {{99, 2}}, {{99, O::Outdated}}, {99}},
        // Any other module is unexpected, and its switches are not checked.
        {"module 18",
         {{19, 2}, {18, 1}, {50, 1}},
         {{18, O::Present}, {19, O::Unexpected}, {50, O::Unexpected}},
         {18}},
    };
    for (const auto& c : cases) {
        resetProtocolState();
        tracker = CoverageTracker();
        applyProfile(tracker, parsed(c.profile));
        run({});
        for (const auto& [type, version] : c.announced) {
            run(announceVersion(type, version));
        }
        run(panel(18, 0, 0));  // a report, so the tracker observes the registry
        const std::vector<ProfileItem> items = checkProfile(parsed(c.profile), moduleRegistry());
        Outcomes outcomes;
        bool passed = true;
        for (const ProfileItem& item : items) {
            outcomes.emplace_back(item.type, item.outcome);
            passed = passed && (item.outcome == O::Present || item.outcome == O::OptionalAbsent);
        }
        EXPECT_EQ(outcomes, c.outcomes) << c.profile;
        EXPECT_EQ(profilePassed(items), passed) << c.profile;
        for (int type : {18, 19, 99}) {
            const bool owes = std::find(c.owing.begin(), c.owing.end(), type) != c.owing.end();
            EXPECT_EQ(requiredOf(type), owes ? itemsOf(type) : 0)
                << c.profile << " module " << type;
        }
        EXPECT_FALSE(profileCheckComplete(tracker, items)) << c.profile;
    }
}

TEST_F(ProfileRulesTest, AValueSeenBeforeTheAnnouncementCountsAndTheVerdictNamesTheModules) {
    const PanelProfile profile = parsed("name Bench <B>\nmodule 18 min-version 3\n");
    applyProfile(tracker, profile);
    EXPECT_EQ(tracker.requiredCount(), itemsOf(18));
    // Every switch of single panel 1 up and down, before the module announces itself.
    run(panel(18, 0x7F, 0));
    run(panel(18, 0x00, 0));
    EXPECT_EQ(tracker.seenRequiredCount(), tracker.requiredCount());
    EXPECT_FALSE(profileCheckComplete(tracker, checkProfile(profile, moduleRegistry())));

    run(announceVersion(18, 2));
    std::vector<ProfileItem> items = checkProfile(profile, moduleRegistry());
    EXPECT_FALSE(profileCheckComplete(tracker, items));
    const std::vector<std::string> failed = {
        "FAIL: 1 of " + std::to_string(itemsOf(18) + 1) + " items not met after 4.0 s:",
        "  module 18 ORVAN ZR8 Swift Modul 1, version 3 or later: announced version 2"};
    EXPECT_EQ(profileResultLines(tracker, items, profile.name, 4.0), failed);

    run(announceVersion(18, 3));
    items = checkProfile(profile, moduleRegistry());
    EXPECT_TRUE(profileCheckComplete(tracker, items));
    const std::vector<std::string> passed = {
        "PASS: all " + std::to_string(itemsOf(18) + 1) +
        " items met in 4.0 s (1 modules of profile \"Bench <B>\", " + std::to_string(itemsOf(18)) +
        " values)"};
    EXPECT_EQ(profileResultLines(tracker, items, profile.name, 4.0), passed);
}

}  // namespace

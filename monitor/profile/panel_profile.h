// An expected panel: the modules that must announce themselves (each at a version or later) and
// those that may. Any other module that announces itself is unexpected. The text format, one
// statement a line (docs/monitor.md):
//
//     # Twin cockpit, panel set B
//     name Twin cockpit B
//     module 16 min-version 3
//     optional 50
//
// Types and versions are those of the module registry: 0..127.
#pragma once

#include <string>
#include <vector>

struct ProfileModule {
    int type = 0;
    int minVersion = 0;     // the lowest version that passes; 0 = any
    bool optional = false;  // may announce itself; must not be below minVersion when it does
};

struct PanelProfile {
    std::string name;  // from the file: untrusted text, escaped wherever it is shown
    std::vector<ProfileModule> modules;

    // The profile's entry for a module type, or null.
    const ProfileModule* find(int type) const;
};

// A profile file may not be longer than this, nor a line longer than kProfileLineLimit.
constexpr std::size_t kProfileSizeLimit = 64 * 1024;
constexpr std::size_t kProfileLineLimit = 200;

// Parses the text of a profile. On failure returns false and sets error to one line:
// "FILE:LINE: what is wrong" (FILE is fileName as given).
bool parsePanelProfile(const std::string& text, const std::string& fileName, PanelProfile& profile,
                       std::string& error);

// Reads and parses the file; an unreadable or too long file is an error as well. A profile
// without a name line is named by its file name.
bool loadPanelProfile(const std::string& path, PanelProfile& profile, std::string& error);

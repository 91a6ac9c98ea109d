// Command line of zr8-panel-sim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace panelsim {

enum class StartMode {
    OnFirstFrame,  // play once the first good frame came from the tool (default)
    Now,           // --start-now
    AfterDelay,    // --start-after-ms N
};

struct Options {
    std::string linkPath;      // --link: symlink to the pty's slave side
    std::string devicePath;    // --device: a serial device instead of a pty
    int baud = 38400;          // --baud, with --device
    std::string scenarioPath;  // --scenario; empty for the demo
    StartMode startMode = StartMode::OnFirstFrame;
    std::uint32_t startAfterMs = 0;
    double speed = 1.0;
    bool loop = false;
    bool exitOnHangup = false;
    bool verbose = false;
    bool printScenario = false;
    bool help = false;
    bool version = false;
};

// Parses argv[1..]. On an error returns false and sets error to one line.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

const char* usageText();

}  // namespace panelsim

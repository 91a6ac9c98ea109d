// Command line of zr8-panel-sim.
#include "tools/panel-sim/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/panel-sim/scenario.h"

namespace panelsim {

namespace {

bool parseCount(const std::string& text, std::uint32_t limit, std::uint32_t& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    std::uint32_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (result > limit) {
        return false;
    }
    value = result;
    return true;
}

bool parseSpeed(const std::string& text, double& speed) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.01 ||
        value > 1000.0) {
        return false;
    }
    speed = value;
    return true;
}

}  // namespace

const char* usageText() {
    return R"(Usage: zr8-panel-sim [options]

A virtual ZR8 mainboard for the bench test tool. It announces its modules, sends a mainboard
number and identification, plays input reports and prints every frame the tool sends.

Endpoint (one of):
  (default)              create a pty; its slave path is the first line on standard output
  --link PATH            also make a symbolic link PATH to the pty's slave (an old symbolic
                         link there is replaced; the link is removed on exit)
  --device PATH          use a serial device instead (raw 8N1, exclusive)
  --baud 38400|9600      line speed for --device (default 38400)

What to play:
  --scenario FILE        play FILE instead of the built-in demo (format below). The demo
                         announces modules 16, 17, 18, 19, 24, 97, 98, 99 and 50, the
                         mainboard number 133 and identification 17A-3-5, then moves every
                         switch and selector through its positions, the rudder trim round
                         0..127, the elevator trim both ways, the six levers at all three
                         resolutions, TOGA and the gear module (about 8 s at speed 1)
  --print-scenario       write the scenario (the demo unless --scenario) in the file format
                         to standard output and exit
  --start-now            play at once (bytes sent before the tool opens its port are lost,
                         because the tool purges the port when it opens it)
  --start-after-ms N     play N ms after start
                         (default: play once the first good frame came from the tool, which
                         sends three frames right after opening its port)
  --speed F              scale time: 2 plays twice as fast, 0.5 half as fast (0.01..1000)
  --loop                 play the scenario again and again until stopped

Stopping:
  --exit-on-hangup       exit (status 0) when the tool closes the port after it sent a frame;
                         a brief open and close before the first frame (the tool's port scan)
                         does not count. Without it, the simulator waits for the tool to open
                         the port again and, unless told to start otherwise, plays again from
                         the top after the tool's first frame.
                         With --device only the device going away is seen: then the
                         simulator exits with status 0 with this option, else with 1.
  SIGINT, SIGTERM, SIGHUP  exit with status 0 (the link is removed)

Other:
  --verbose              log each event on standard error
  --help                 this text
  --version              the version

Standard output, one line each, flushed at once:
  pty PATH | device PATH                       first line: the endpoint
  play NAME / end NAME                         the scenario starts from the top / has been sent
  frame <11 hex bytes> <meaning>               a good frame from the tool, for example
      frame 78 09 63 00 2F 20 02 03 01 00 B0 GearLights nose=GREEN left=RED right=OFF dimmed=1
      frame 78 09 18 00 18 59 01 FF 00 00 96 TrimIndicator on=1 position=255
      frame 78 09 61 00 37 02 00 00 00 01 23 HobbsMeter on=1
  bad-frame <hex bytes> <reason>               wrong header or closing checksum, a module or
                                               command we do not drive, or a frame cut short
  stray <hex bytes>                            bytes that belong to no frame
  hangup                                       the tool closed the port after sending a frame

Scenario file: one record per line, `<delay-ms> <hex bytes...>`, for example `20 12 80 D5`
waits 20 ms after the previous record, then sends 0x12 0x80 0xD5. Delays are decimal
(0..3600000), bytes one or two hex digits; a line with a delay alone is a plain wait; `#`
starts a comment; blank lines are ignored. Any byte values may be sent. An error in the file
is reported as one line naming the file and line, with exit status 2.

Exit status: 0 on a signal or hangup as above, 1 when the endpoint fails, 2 for a bad command
line or scenario file.
)";
}

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    options = Options{};
    bool startGiven = false;
    bool baudGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue) {
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
            hasValue = true;
            return true;
        };
        auto flag = [&](bool& target) {
            if (hasValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };
        auto startOnce = [&]() {
            if (startGiven) {
                error = "give only one of --start-now and --start-after-ms";
                return false;
            }
            startGiven = true;
            return true;
        };

        if (name == "--help" || name == "-h") {
            if (!flag(options.help)) {
                return false;
            }
        } else if (name == "--version") {
            if (!flag(options.version)) {
                return false;
            }
        } else if (name == "--link") {
            if (!takeValue()) {
                return false;
            }
            if (value.empty()) {
                error = "--link needs a path";
                return false;
            }
            options.linkPath = value;
        } else if (name == "--device") {
            if (!takeValue()) {
                return false;
            }
            if (value.empty()) {
                error = "--device needs a path";
                return false;
            }
            options.devicePath = value;
        } else if (name == "--baud") {
            if (!takeValue()) {
                return false;
            }
            if (value != "38400" && value != "9600") {
                error = "--baud must be 38400 or 9600, not '" + value + "'";
                return false;
            }
            options.baud = value == "9600" ? 9600 : 38400;
            baudGiven = true;
        } else if (name == "--scenario") {
            if (!takeValue()) {
                return false;
            }
            if (value.empty()) {
                error = "--scenario needs a file";
                return false;
            }
            options.scenarioPath = value;
        } else if (name == "--start-now") {
            bool now = false;
            if (!flag(now) || !startOnce()) {
                return false;
            }
            options.startMode = StartMode::Now;
        } else if (name == "--start-after-ms") {
            if (!takeValue() || !startOnce()) {
                return false;
            }
            if (!parseCount(value, kMaxRecordDelayMs, options.startAfterMs)) {
                error = "--start-after-ms needs a number of milliseconds (0.." +
                        std::to_string(kMaxRecordDelayMs) + "), not '" + value + "'";
                return false;
            }
            options.startMode = StartMode::AfterDelay;
        } else if (name == "--speed") {
            if (!takeValue()) {
                return false;
            }
            if (!parseSpeed(value, options.speed)) {
                error = "--speed needs a factor from 0.01 to 1000, not '" + value + "'";
                return false;
            }
        } else if (name == "--loop") {
            if (!flag(options.loop)) {
                return false;
            }
        } else if (name == "--exit-on-hangup") {
            if (!flag(options.exitOnHangup)) {
                return false;
            }
        } else if (name == "--verbose") {
            if (!flag(options.verbose)) {
                return false;
            }
        } else if (name == "--print-scenario") {
            if (!flag(options.printScenario)) {
                return false;
            }
        } else {
            error = "unknown option '" + args[i] + "' (see --help)";
            return false;
        }
    }
    if (!options.linkPath.empty() && !options.devicePath.empty()) {
        error = "--link makes a pty; it does not go with --device";
        return false;
    }
    if (baudGiven && options.devicePath.empty()) {
        error = "--baud is for --device only";
        return false;
    }
    return true;
}

}  // namespace panelsim

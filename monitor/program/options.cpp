// Parsing zr8-monitor's command line.
#include "monitor/program/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool parseSeconds(const std::string& text, double& seconds) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0.0 ||
        value > 1e7) {
        return false;
    }
    seconds = value;
    return true;
}

}  // namespace

bool MonitorOptions::watches() const {
    const bool outputsOnly = !sends.empty() || outputTest;
    return !outputsOnly || raw || json || !capturePath.empty() || coverage || durationSeconds > 0.0;
}

bool parseMonitorOptions(const std::vector<std::string>& args, MonitorOptions& options,
                         std::string& error) {
    options = MonitorOptions{};
    bool speedGiven = false;
    bool timeoutGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The value of an option that takes one.
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        const int production = takeProductionOption(args, i, options.production, error);
        if (production < 0) {
            return false;
        }
        if (production > 0) {
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--raw") {
            options.raw = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--fast") {
            options.fast = true;
        } else if (arg == "--output-test") {
            options.outputTest = true;
        } else if (arg == "--coverage") {
            options.coverage = true;
        } else if (arg == "--speed") {
            if (!value(text)) {
                return false;
            }
            if (text != "9600" && text != "38400") {
                error = "--speed takes 9600 or 38400, not \"" + text + "\"";
                return false;
            }
            options.speed = text == "9600" ? 9600 : 38400;
            speedGiven = true;
        } else if (arg == "--replay") {
            if (!value(options.replayPath)) {
                return false;
            }
        } else if (arg == "--capture") {
            if (!value(options.capturePath)) {
                return false;
            }
        } else if (arg == "--report") {
            if (!value(options.reportPath)) {
                return false;
            }
        } else if (arg == "--send") {
            if (!value(text)) {
                return false;
            }
            options.sends.push_back(text);
        } else if (arg == "--timeout" || arg == "--duration") {
            if (!value(text)) {
                return false;
            }
            double& target = arg == "--timeout" ? options.timeoutSeconds : options.durationSeconds;
            if (!parseSeconds(text, target)) {
                error = arg + " takes a number of seconds above 0, not \"" + text + "\"";
                return false;
            }
            timeoutGiven = timeoutGiven || arg == "--timeout";
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            error = "unknown option " + arg;
            return false;
        } else if (options.connection.empty()) {
            options.connection = arg;
        } else {
            error = "one connection only; \"" + arg + "\" is one too many";
            return false;
        }
    }
    if (options.help || options.version) {
        return true;
    }
    const bool replay = !options.replayPath.empty();
    if (options.list) {
        if (replay || !options.connection.empty()) {
            error = "--list takes no connection and no --replay";
            return false;
        }
        return true;
    }
    if (replay && !options.connection.empty()) {
        error = "give a connection or --replay FILE, not both";
        return false;
    }
    if (!replay && options.connection.empty()) {
        error = "no connection given: name a port or adapter (see --list) or --replay FILE";
        return false;
    }
    if (replay && (!options.sends.empty() || options.outputTest || !options.capturePath.empty())) {
        error = "--send, --output-test and --capture need a connection, not a replay";
        return false;
    }
    if (options.fast && !replay) {
        error = "--fast only applies to --replay";
        return false;
    }
    if (timeoutGiven && !options.coverage) {
        error = "--timeout only applies to --coverage";
        return false;
    }
    (void)speedGiven;
    return checkProductionOptions(options.production, options.coverage, options.reportPath, error);
}

const char* monitorUsage() {
    return "Usage: zr8-monitor --list\n"
           "       zr8-monitor --version\n"
           "       zr8-monitor [options] CONNECTION\n"
           "       zr8-monitor [options] --replay FILE [--fast]\n"
           "\n"
           "Watches a ZR8 panel mainboard from a terminal: one line per change of a switch,\n"
           "selector, trim wheel or lever, per module that announces itself, and per new\n"
           "mainboard identification.\n"
           "\n"
           "CONNECTION is a row of --list: its label (\"COMM - COM3\" or just COM3, \"USB - "
           "name\")\n"
           "or its number.\n"
           "\n"
           "  --list            print the ports and adapters found, numbered, and exit\n"
           "  --speed N         9600 or 38400 (default) baud for a COM port; adapters run at "
           "38400\n"
           "  --raw             show each record's bytes in hex beside its event\n"
           "  --json            one JSON object a line instead of text\n"
           "  --capture FILE    also record every byte that arrives, with its time (see\n"
           "                    docs/capture-format.md); zr8-decode and --replay read it\n"
           "  --replay FILE     read a capture instead of a connection, at the pace it was taken\n"
           "  --fast            replay as fast as possible\n"
           "  --send TEXT       drive an output, e.g. \"trim on 12\", \"trim off\",\n"
           "                    \"gear nose=green left=red right=off dimmed\", \"hobbs on\";\n"
           "                    may be given more than once\n"
           "  --output-test     guided test of every output, each step confirmed with y or n\n"
           "  --coverage        end-of-line check: waits until every position of every switch,\n"
           "                    selector, trim and lever of the announced modules has been seen\n"
           "  --timeout S       give up the coverage check after S seconds (exit status 1)\n"
           "  --report FILE     write a report as JSON to FILE and as HTML beside it\n"
           "  --duration S      stop watching after S seconds (default: until Ctrl+C)\n"
           "  --profile FILE    the expected panel: modules that must announce themselves (at a\n"
           "                    version or later) and that may (see docs/monitor.md)\n"
           "  --unit SERIAL     the unit under test, for the report and the JUnit file\n"
           "  --ask-unit        read the unit serial from standard input first (a barcode\n"
           "                    scanner types it as one line)\n"
           "  --operator NAME   who tests it\n"
           "  --station NAME    the test bench\n"
           "  --report-dir DIR  write UNIT-YYYYMMDD-HHMMSS.json and .html into DIR, numbering\n"
           "                    the attempt from the reports of the unit already there\n"
           "  --junit FILE      write the check's items as JUnit XML\n"
           "\n"
           "With --send or --output-test alone the program exits when the outputs are done; add\n"
           "--duration, --json, --raw, --capture or --coverage to watch the panel as well.\n"
           "\n"
           "Exit status: 0 done (coverage: PASS), 1 coverage incomplete at the timeout or an\n"
           "output-test step answered n, 2 bad command line, connection or file.\n";
}

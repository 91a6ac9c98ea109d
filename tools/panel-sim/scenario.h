// What the simulator plays: a list of timed byte records, read from a scenario file or taken
// from the built-in demo.
//
// Scenario file format, one record per line:
//
//     <delay-ms> [<hex byte> ...]   [# comment]
//
// The record waits <delay-ms> milliseconds (a decimal number, 0..3600000) after the previous
// record was sent, then sends its bytes. Bytes are one or two hex digits each (upper or lower
// case), separated by blanks; a record without bytes is a plain wait. Everything from '#' to the
// end of the line is a comment; blank lines are ignored. Any byte value may be sent, so a file
// can play bad input too. Example: `20 12 80 D5` waits 20 ms, then sends 0x12 0x80 0xD5.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace panelsim {

struct ScenarioRecord {
    std::uint32_t delayMs = 0;
    std::vector<std::uint8_t> bytes;
    int line = 0;      // line of the file it came from; 0 for the demo
    std::string note;  // what the record shows, for the demo; written as a comment
};

struct Scenario {
    std::string name;  // file name, or "demo"
    std::vector<ScenarioRecord> records;
};

constexpr std::uint32_t kMaxRecordDelayMs = 3600000;

// Parses a scenario from text. On an error returns false and sets error to one line of the form
// "<name>:<line>: <what is wrong>".
bool parseScenario(std::istream& in, const std::string& name, Scenario& scenario,
                   std::string& error);

// Reads and parses a scenario file; an unreadable file is an error naming it.
bool loadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);

// Writes the scenario in the file format, so that the demo can serve as the start of a file.
void writeScenario(std::ostream& out, const Scenario& scenario);

// The built-in demo: identity records of the modules, the mainboard number and identification,
// then every switch, selector, trim, lever and channel in each of its positions, paced so that a
// person can follow it on the test window.
Scenario demoScenario();

}  // namespace panelsim

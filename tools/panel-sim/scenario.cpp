// Scenario files and the built-in demo.
#include "tools/panel-sim/scenario.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "tools/panel-sim/frame_reader.h"

namespace panelsim {

namespace {

bool parseDelay(const std::string& token, std::uint32_t& delay) {
    if (token.empty() || token.size() > 7) {
        return false;
    }
    std::uint32_t value = 0;
    for (char c : token) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value > kMaxRecordDelayMs) {
        return false;
    }
    delay = value;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool parseHexByte(const std::string& token, std::uint8_t& byte) {
    if (token.empty() || token.size() > 2) {
        return false;
    }
    int value = 0;
    for (char c : token) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + digit;
    }
    byte = static_cast<std::uint8_t>(value);
    return true;
}

}  // namespace

bool parseScenario(std::istream& in, const std::string& name, Scenario& scenario,
                   std::string& error) {
    scenario = Scenario{};
    scenario.name = name;
    std::string text;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        error = name + ":" + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (std::getline(in, text)) {
        ++lineNumber;
        const std::size_t comment = text.find('#');
        if (comment != std::string::npos) {
            text.erase(comment);
        }
        for (char& c : text) {
            if (c == '\t' || c == '\r') {
                c = ' ';
            }
        }
        std::istringstream fields(text);
        std::string token;
        if (!(fields >> token)) {
            continue;
        }
        ScenarioRecord record;
        record.line = lineNumber;
        if (!parseDelay(token, record.delayMs)) {
            return fail("'" + token + "' is not a delay in milliseconds (0.." +
                        std::to_string(kMaxRecordDelayMs) + ")");
        }
        while (fields >> token) {
            std::uint8_t byte = 0;
            if (!parseHexByte(token, byte)) {
                return fail("'" + token + "' is not a hex byte (00..FF)");
            }
            record.bytes.push_back(byte);
        }
        scenario.records.push_back(std::move(record));
    }
    if (in.bad()) {
        return fail(std::string("read error: ") + std::strerror(errno));
    }
    return true;
}

bool loadScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = path + ": is a directory";
        return false;
    }
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    return parseScenario(in, path, scenario, error);
}

void writeScenario(std::ostream& out, const Scenario& scenario) {
    out << "# zr8-panel-sim scenario: " << scenario.name << "\n"
        << "# <delay-ms> <hex bytes...>\n";
    for (const ScenarioRecord& record : scenario.records) {
        out << record.delayMs;
        if (!record.bytes.empty()) {
            out << ' ' << hexBytes(record.bytes.data(), record.bytes.size());
        }
        if (!record.note.empty()) {
            out << "  # " << record.note;
        }
        out << '\n';
    }
}

}  // namespace panelsim

// Linux port map: defaults, the user's ports file and the ZR8_COM<n> variables.
#include "link/posix/port_map.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// "COM3" (any case) -> 3; 0 for anything else, a port outside 1..8 included.
int portNumberOf(std::string_view name) {
    if (name.size() < 4 || name.size() > 6) {
        return 0;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) {
            return 0;
        }
    }
    int number = 0;
    for (const char c : name.substr(3)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number >= kFirstComPort && number <= kLastComPort ? number : 0;
}

}  // namespace

PortMap::PortMap() {
    for (int port = kFirstComPort; port <= kLastComPort; ++port) {
        std::snprintf(paths_[port - 1], kPortPathSize, "/dev/ttyS%d", port - 1);
    }
}

PortMap PortMap::load() {
    PortMap map;
    const std::string file = portMapFilePath();
    if (!file.empty()) {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            const std::string text{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
            map.applyFileText(text);
        }
    }
    map.applyEnvironment();
    return map;
}

void PortMap::applyFileText(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const int port = portNumberOf(trim(line.substr(0, equals)));
        if (port != 0) {
            set(port, trim(line.substr(equals + 1)));
        }
    }
}

void PortMap::applyEnvironment() {
    for (int port = kFirstComPort; port <= kLastComPort; ++port) {
        char name[16];
        std::snprintf(name, sizeof name, "ZR8_COM%d", port);
        if (const char* value = std::getenv(name)) {
            set(port, trim(value));
        }
    }
}

void PortMap::set(int portNumber, std::string_view path) {
    if (portNumber < kFirstComPort || portNumber > kLastComPort) {
        return;
    }
    char* slot = paths_[portNumber - 1];
    // A path with a NUL inside, or too long to keep, names no device we could open.
    if (path.size() >= kPortPathSize || path.find('\0') != std::string_view::npos) {
        path = {};
    }
    slot[path.copy(slot, path.size())] = '\0';
}

const char* PortMap::path(int portNumber) const {
    if (portNumber < kFirstComPort || portNumber > kLastComPort) {
        return nullptr;
    }
    const char* device = paths_[portNumber - 1];
    return device[0] != '\0' ? device : nullptr;
}

std::string portMapFilePath() {
    constexpr const char* kRelative = "/zr8-test-tool/ports";
    // Relative values of XDG_CONFIG_HOME are invalid by its own rules and are ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + kRelative;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.config" + kRelative;
    }
    return {};
}

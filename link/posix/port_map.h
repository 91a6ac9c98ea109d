// Linux port map: which device each of COM1..COM8 stands for on this computer.
//
// COMn is /dev/ttyS(n-1) unless the user maps it elsewhere, without rebuilding:
//   - the environment variable ZR8_COM<n>=/path wins;
//   - otherwise the last line "COM<n>=/path" of the ports file, which is
//     $XDG_CONFIG_HOME/zr8-test-tool/ports (default ~/.config/zr8-test-tool/ports).
// An empty value (ZR8_COM1= or "COM1=") hides the port: it is never probed or opened.
// PORTS.md beside this file is the user's description of the same rules.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 8;
// Room for a device path and its NUL. A longer value hides the port rather than falling back
// to a device the user did not name.
constexpr std::size_t kPortPathSize = 256;

class PortMap {
  public:
    // Every port at its default device.
    PortMap();

    // The map as the user has set it now: defaults, then the ports file, then the environment.
    static PortMap load();

    // Applies the text of a ports file: lines "COM<n>=/path" (n = 1..8, "com" in any case,
    // blanks around the name, the '=' and the path are ignored), "#" comment lines and blank
    // lines. Any other line is ignored. A later line for the same port wins.
    void applyFileText(std::string_view text);
    // Applies the ZR8_COM<n> variables that are set, empty ones included.
    void applyEnvironment();
    // Maps one port; an empty path hides it. Ports outside 1..8 are ignored.
    void set(int portNumber, std::string_view path);

    // The device of the port, or null when the port is hidden or outside 1..8.
    const char* path(int portNumber) const;

  private:
    char paths_[kLastComPort][kPortPathSize];
};

// The ports file's path, or an empty string when neither XDG_CONFIG_HOME (absolute) nor HOME
// says where the user's configuration lives.
std::string portMapFilePath();

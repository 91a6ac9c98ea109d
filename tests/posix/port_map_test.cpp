// The port map: default devices, the ports file's lines, the ZR8_COM<n> variables over the
// file, hidden ports, and where the file is looked for.
#include "link/posix/port_map.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>

#include "tests/posix/posix_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string defaultDevice(int port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}

// Every port's device, "" for a hidden one.
std::map<int, std::string> listing(const PortMap& map) {
    std::map<int, std::string> devices;
    for (int port = 1; port <= 8; ++port) {
        const char* path = map.path(port);
        devices[port] = path != nullptr ? path : "";
    }
    return devices;
}

// The defaults with some ports changed.
std::map<int, std::string> defaultsWith(const std::map<int, std::string>& changes) {
    std::map<int, std::string> devices;
    for (int port = 1; port <= 8; ++port) {
        devices[port] = defaultDevice(port);
    }
    for (const auto& [port, path] : changes) {
        devices[port] = path;
    }
    return devices;
}

TEST(PortMap, ComNIsTtySNMinusOneByDefaultAndOnlyCom1ToCom8Exist) {
    const PortMap map;
    EXPECT_EQ(listing(map), defaultsWith({}));
    EXPECT_EQ(map.path(0), nullptr);
    EXPECT_EQ(map.path(9), nullptr);
    EXPECT_EQ(map.path(-1), nullptr);
}

struct FileCase {
    const char* name;
    std::string text;
    std::map<int, std::string> changes;  // from the defaults; "" = hidden
};

void PrintTo(const FileCase& tested, std::ostream* out) {
    *out << tested.name;
}

class PortsFileText : public ::testing::TestWithParam<FileCase> {};

TEST_P(PortsFileText, ChangesExactlyThePortsItMaps) {
    PortMap map;
    map.applyFileText(GetParam().text);
    EXPECT_EQ(listing(map), defaultsWith(GetParam().changes));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PortsFileText,
    ::testing::Values(
        FileCase{"one mapping", "COM3=/dev/ttyUSB0\n", {{3, "/dev/ttyUSB0"}}},
        FileCase{"comments and blank lines",
                 "# bench 2\n\n   \n\tCOM2=/dev/ttyACM0\n  # COM4=/dev/ttyUSB9\n#COM2=/dev/null\n",
                 {{2, "/dev/ttyACM0"}}},
        FileCase{"blanks around name, '=' and path; CRLF; any case",
                 "  com4 =\t/dev/pts/7  \r\nCoM1=/dev/ttyUSB1\r\n",
                 {{4, "/dev/pts/7"}, {1, "/dev/ttyUSB1"}}},
        FileCase{"blanks inside the path stay", "COM8=/tmp/panel link\n", {{8, "/tmp/panel link"}}},
        FileCase{"the later line wins, last line without newline",
                 "COM1=/dev/a\nCOM1=/dev/b",
                 {{1, "/dev/b"}}},
        FileCase{"an empty value hides the port", "COM6=\nCOM7=   \n", {{6, ""}, {7, ""}}},
        FileCase{"an empty value after a mapping hides it", "COM2=/dev/x\nCOM2=\n", {{2, ""}}},
        FileCase{"odd lines change nothing",
                 "COM5 /dev/x\nCOM5:/dev/x\nCOM5X=/dev/x\nPORT5=/dev/x\n=/dev/x\nCOM9=/dev/x\n"
                 "COM0=/dev/x\nCOM=/dev/x\nCOM-1=/dev/x\nCOM 5=/dev/x\nCOM12345=/dev/x\n\xff\xfe\n",
                 {}},
        FileCase{"a path too long to keep hides the port rather than keep the default",
                 "COM7=/" + std::string(300, 'a') + "\n",
                 {{7, ""}}},
        FileCase{"a path that just fits is kept",
                 "COM7=/" + std::string(254, 'a') + "\n",
                 {{7, "/" + std::string(254, 'a')}}},
        FileCase{"a NUL inside the path hides the port",
                 std::string("COM3=/dev/tty\0S9\n", 17),
                 {{3, ""}}},
        FileCase{"an empty file changes nothing", "", {}}));

// load() over a real ports file and real environment variables.
class PortMapLoad : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zr8-port-map-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        home = pattern;
        environment.clearPortVariables();
        environment.set("XDG_CONFIG_HOME", home + "/config");
        environment.set("HOME", home);
    }
    void TearDown() override { fs::remove_all(home); }

    void writePortsFile(const std::string& folder, const std::string& text) {
        fs::create_directories(folder + "/zr8-test-tool");
        std::ofstream(folder + "/zr8-test-tool/ports") << text;
    }

    std::string home;
    posix_test::Environment environment;
};

TEST_F(PortMapLoad, TheVariableWinsOverTheFileAndAnEmptyVariableHidesAPortTheFileMaps) {
    writePortsFile(home + "/config", "COM1=/dev/ttyUSB0\nCOM2=/dev/ttyUSB1\nCOM3=/dev/ttyACM0\n");
    environment.set("ZR8_COM2", "/dev/pts/3");
    environment.set("ZR8_COM3", "");
    environment.set("ZR8_COM5", "/dev/ttyUSB4");

    EXPECT_EQ(listing(PortMap::load()),
              defaultsWith({{1, "/dev/ttyUSB0"}, {2, "/dev/pts/3"}, {3, ""}, {5, "/dev/ttyUSB4"}}));
}

TEST_F(PortMapLoad, WithoutFileOrVariablesEveryPortKeepsItsDefault) {
    EXPECT_EQ(listing(PortMap::load()), defaultsWith({}));
}

TEST_F(PortMapLoad, TheFileIsUnderXdgConfigHomeOrElseUnderHomeDotConfig) {
    writePortsFile(home + "/config", "COM1=/dev/from-xdg\n");
    writePortsFile(home + "/.config", "COM1=/dev/from-home\n");
    EXPECT_EQ(portMapFilePath(), home + "/config/zr8-test-tool/ports");
    EXPECT_STREQ(PortMap::load().path(1), "/dev/from-xdg");

    environment.unset("XDG_CONFIG_HOME");
    EXPECT_EQ(portMapFilePath(), home + "/.config/zr8-test-tool/ports");
    EXPECT_STREQ(PortMap::load().path(1), "/dev/from-home");

    // A relative XDG_CONFIG_HOME is not valid and is passed over.
    environment.set("XDG_CONFIG_HOME", "config");
    EXPECT_STREQ(PortMap::load().path(1), "/dev/from-home");

    environment.unset("HOME");
    environment.unset("XDG_CONFIG_HOME");
    EXPECT_EQ(portMapFilePath(), "");
    EXPECT_STREQ(PortMap::load().path(1), "/dev/ttyS0");
}

}  // namespace

// Module registry: names, order by type, when the list box is rebuilt, and reset.
#include <gtest/gtest.h>

#include "protocol/module_registry.h"
#include "tests/support/protocol_fixture.h"

namespace {

constexpr std::uint8_t d(int payload) {
    return static_cast<std::uint8_t>(0x80 | payload);
}

class ModuleRegistryTest : public ProtocolTest {
  protected:
    void announce(int type, int version) { poll({112, d(type), d(version)}); }
};

TEST_F(ModuleRegistryTest, ListIsRebuiltOnlyWhenAModuleIsNewOrChangesVersion) {
    announce(24, 3);
    EXPECT_EQ(
        screen.log(),
        (std::vector<std::string>{"listAddString(#1, 1003, \"v3  -  ORVAN ZR8 Trim Modul\")"}));
    screen.clearLog();
    announce(24, 3);
    EXPECT_TRUE(screen.log().empty()) << "an identical report leaves the list alone";

    announce(24, 4);
    EXPECT_EQ(screen.log(), (std::vector<std::string>{
                                "listDeleteString(#1, 1003, 0)",
                                "listAddString(#1, 1003, \"v4  -  ORVAN ZR8 Trim Modul\")"}));
    EXPECT_EQ(moduleRegistry().listDirty, 0);
    EXPECT_EQ(moduleRegistry().listCount, 1);
}

TEST_F(ModuleRegistryTest, LinesStandInOrderOfModuleTypeWithTheirNames) {
    announce(99, 1);
    announce(16, 2);
    announce(24, 3);
    announce(50, 1);
    announce(127, 0);
    announce(0, 12);
    EXPECT_EQ(moduleLines(), (std::vector<std::string>{
                                 "v12  -  Unknown I2C Device",
                                 "v2  -  ORVAN ZR8 Kestrel Modul 1",
                                 "v3  -  ORVAN ZR8 Trim Modul",
                                 "v1  -  Unknown I2C Device",
                                 "v1  -  ORVAN ZR8 LDG Gear Modul",
                                 "v0  -  Unknown I2C Device",
                             }));
    EXPECT_EQ(moduleRegistry().listCount, 6);
    // The same lines from the registry itself, without a window.
    std::vector<std::string> fromRegistry;
    char line[kModuleListLineSize];
    for (int index = 0; moduleListLine(index, line) != 0; ++index) {
        fromRegistry.emplace_back(line);
    }
    EXPECT_EQ(fromRegistry, moduleLines());
    EXPECT_EQ(moduleListLine(6, line), 0);
}

TEST_F(ModuleRegistryTest, NameTable) {
    const std::pair<int, const char*> names[] = {
        {10, "ORVAN APX Autopilot"},
        {11, "ORVAN DFD20 Pilot"},
        {12, "ORVAN DFD20 Copilot"},
        {13, "ORVAN RH210 Mask Buttons"},
        {14, "ORVAN NX900NG Mask"},
        {15, "Unknown I2C Device"},
        {16, "ORVAN ZR8 Kestrel Modul 1"},
        {17, "ORVAN ZR8 Kestrel Modul 2"},
        {18, "ORVAN ZR8 Swift Modul 1"},
        {19, "ORVAN ZR8 Swift Modul 2"},
        {20, "ORVAN ZR8 Condor Modul 1"},
        {21, "ORVAN ZR8 Condor Modul 2"},
        {22, "ORVAN ZR8 Heron Modul 1"},
        {23, "ORVAN ZR8 Heron Modul 2"},
        {24, "ORVAN ZR8 Trim Modul"},
        {25, "Unknown I2C Device"},
        {96, "Unknown I2C Device"},
        {97, "ORVAN ZR8 HOBBS Modul"},
        {98, "ORVAN ZR8 PowerQuadrant Modul"},
        {99, "ORVAN ZR8 LDG Gear Modul"},
        {100, "Unknown I2C Device"},
        {9, "Unknown I2C Device"},
    };
    for (auto [type, name] : names) {
        EXPECT_STREQ(moduleTypeName(type), name) << type;
    }
}

TEST_F(ModuleRegistryTest, ResetEmptiesTheRegistryAndRefreshEmptiesTheList) {
    announce(24, 3);
    announce(99, 1);
    resetModuleRegistry();
    EXPECT_EQ(moduleRegistry().entries[24].present, 0);
    EXPECT_EQ(moduleRegistry().entries[24].version, -1);
    EXPECT_STREQ(moduleRegistry().entries[24].name, "");
    EXPECT_EQ(moduleLines().size(), 2u) << "reset alone leaves the list box as it was";
    refreshModuleList(window);
    EXPECT_TRUE(moduleLines().empty());
    EXPECT_EQ(moduleRegistry().listCount, 0);

    announce(24, 3);
    EXPECT_EQ(moduleLines(), std::vector<std::string>{"v3  -  ORVAN ZR8 Trim Modul"});
}

TEST_F(ModuleRegistryTest, VersionWithoutATypeIsIgnored) {
    // Clear pressed between the two data bytes of an identity record.
    poll({112, d(24)});
    resetModuleRegistry();
    poll({d(3)});
    EXPECT_EQ(moduleRegistry().entries[24].present, 0);
    EXPECT_TRUE(moduleLines().empty());

    for (int type : {-1, 128, 300}) {
        moduleRegistry().currentModuleType = static_cast<std::int16_t>(type);
        recordModuleVersion(1);
    }
    EXPECT_EQ(moduleRegistry().listDirty, 0);
}

}  // namespace

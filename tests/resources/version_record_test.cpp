// The Windows version record carries the project's version: the file version's first three
// numbers and the start of its text are the version every program prints and the packages carry.
#include <gtest/gtest.h>

#include <string>

#include "version_info.h"
#include "zr8_version.h"

namespace {

TEST(VersionRecord, FileVersionIsTheProjectsVersion) {
    EXPECT_EQ(zr8_version::kFileVersion[0], unsigned{ZR8_VERSION_MAJOR});
    EXPECT_EQ(zr8_version::kFileVersion[1], unsigned{ZR8_VERSION_MINOR});
    EXPECT_EQ(zr8_version::kFileVersion[2], unsigned{ZR8_VERSION_PATCH});
    EXPECT_EQ(zr8_version::kFileVersion[3], 0u);
    const std::string text = zr8_version::kFileVersionText;
    EXPECT_EQ(text.substr(0, text.find(' ')), ZR8_VERSION) << text;
}

}  // namespace

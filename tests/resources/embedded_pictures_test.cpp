// The zr8_pictures library carries the committed pictures and icon byte for byte.
#include "embedded_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> readResource(const std::string& relative) {
    std::ifstream in(std::string(ZR8_RESOURCES_DIR) + "/" + relative, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

std::vector<std::string> indexedFiles() {
    std::ifstream in(std::string(ZR8_RESOURCES_DIR) + "/bitmaps/index.txt");
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            names.push_back(line);
    }
    return names;
}

TEST(EmbeddedPictures, HoldsTheIndexedBitmapsInOrder) {
    const std::vector<std::string> files = indexedFiles();
    ASSERT_EQ(files.size(), static_cast<size_t>(kEmbeddedPictureCount));
    const EmbeddedPicture* pictures = embeddedPictures();
    for (int i = 0; i < kEmbeddedPictureCount; ++i) {
        SCOPED_TRACE(files[i]);
        EXPECT_EQ(std::string(pictures[i].name), "BILD" + std::to_string(i + 1));
        ASSERT_GE(pictures[i].size, 54u);
        EXPECT_EQ(pictures[i].bytes[0], 'B');
        EXPECT_EQ(pictures[i].bytes[1], 'M');
        const std::vector<unsigned char> committed = readResource("bitmaps/" + files[i]);
        ASSERT_EQ(pictures[i].size, committed.size());
        EXPECT_TRUE(std::equal(committed.begin(), committed.end(), pictures[i].bytes));
    }
}

TEST(EmbeddedPictures, HoldsTheIcon) {
    const EmbeddedPicture& icon = embeddedIcon();
    EXPECT_EQ(std::string(icon.name), "TOOLSICON");
    const std::vector<unsigned char> committed = readResource("toolsicon.ico");
    ASSERT_EQ(icon.size, committed.size());
    ASSERT_GE(icon.size, 6u);
    const unsigned char header[] = {0, 0, 1, 0};  // reserved, type 1 = icon
    EXPECT_TRUE(std::equal(header, header + 4, icon.bytes));
    EXPECT_TRUE(std::equal(committed.begin(), committed.end(), icon.bytes));
}

}  // namespace

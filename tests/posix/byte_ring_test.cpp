// The FTDI layer's receive buffer: order across the wrap, and what a full buffer keeps.
#include "link/posix/byte_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes popAll(ByteRing<N>& ring, std::size_t asked) {
    Bytes out(asked + 4, 0xEE);
    const std::size_t given = ring.pop(out.data(), asked);
    EXPECT_LE(given, asked);
    for (std::size_t i = given; i < out.size(); ++i) {
        EXPECT_EQ(out[i], 0xEE) << "written past what was given, at " << i;
    }
    out.resize(given);
    return out;
}

TEST(ByteRing, KeepsOrderAcrossTheWrapAround) {
    ByteRing<8> ring;
    const Bytes first = {1, 2, 3, 4, 5, 6};
    const Bytes second = {7, 8, 9, 10, 11, 12};
    EXPECT_EQ(ring.push(first.data(), first.size()), 6u);
    EXPECT_EQ(popAll(ring, 4), (Bytes{1, 2, 3, 4}));

    EXPECT_EQ(ring.push(second.data(), second.size()), 6u) << "room for 6 once 4 were taken";
    EXPECT_EQ(ring.size(), 8u);
    EXPECT_EQ(popAll(ring, 3), (Bytes{5, 6, 7}));
    EXPECT_EQ(popAll(ring, 100), (Bytes{8, 9, 10, 11, 12})) << "asking for more gives what waits";
    EXPECT_EQ(ring.size(), 0u);
    EXPECT_TRUE(popAll(ring, 5).empty());
}

TEST(ByteRing, WhenFullKeepsWhatWaitsWholeAndRefusesWhatArrives) {
    ByteRing<8> ring;
    const Bytes flood = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(ring.push(flood.data(), flood.size()), 8u);
    EXPECT_EQ(ring.push(flood.data(), 1), 0u);
    EXPECT_EQ(ring.size(), ring.capacity());

    EXPECT_EQ(popAll(ring, 3), (Bytes{1, 2, 3}));
    const Bytes later = {20, 21, 22, 23, 24};
    EXPECT_EQ(ring.push(later.data(), later.size()), 3u);
    EXPECT_EQ(popAll(ring, 8), (Bytes{4, 5, 6, 7, 8, 20, 21, 22}));
}

TEST(ByteRing, ClearEmptiesItAndItFillsAgainFromAnyPosition) {
    ByteRing<4> ring;
    const Bytes bytes = {1, 2, 3};
    ring.push(bytes.data(), 3);
    popAll(ring, 2);
    ring.clear();
    EXPECT_EQ(ring.size(), 0u);
    EXPECT_TRUE(popAll(ring, 4).empty());

    const Bytes again = {9, 8, 7, 6, 5};
    EXPECT_EQ(ring.push(again.data(), again.size()), 4u);
    EXPECT_EQ(popAll(ring, 4), (Bytes{9, 8, 7, 6}));
}

}  // namespace

// A device link for tests: serves scripted bytes in reads of at most 100 and records writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct FakeDeviceLink {
    bool open = true;
    std::vector<std::uint8_t> incoming;  // bytes that have "arrived", served from readPosition
    std::size_t readPosition = 0;
    std::vector<std::size_t> readSizes;  // size of each read in turn; 100 once they run out
    std::size_t nextReadSize = 0;
    std::size_t readCalls = 0;
    std::vector<std::vector<std::uint8_t>> writes;

    void arrive(const std::vector<std::uint8_t>& bytes);
    bool drained() const { return readPosition >= incoming.size(); }
};

FakeDeviceLink& fakeDeviceLink();
void resetFakeDeviceLink();

// The device link as the panel protocol sees it: read what has arrived, write a frame.
// The build picks which definition is linked: the real link over the selected port or adapter,
// or a stand-in (a capture file, a scripted fake in the tests).
#pragma once

#include <cstdint>

constexpr std::uint32_t kDeviceLinkReadSize = 100;

// Copies the bytes that have already arrived, at most 100, into buffer and returns their count;
// 0 when nothing has arrived or nothing is open. Never waits.
std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]);

// Hands length bytes to the open port or adapter. 1 when the write was issued, 0 when nothing
// is open (nothing is written).
int writeDeviceLink(const std::uint8_t* bytes, std::uint32_t length);

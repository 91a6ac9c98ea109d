// The checksum of the output frames: add, xor 0xA5 and rotate left over bytes 1..n-1, stored in
// byte n. Apart from the rest of the protocol so that peers of the tool (the panel simulator)
// can check frames with it.
#pragma once

#include <cstdint>

constexpr int kOutputFrameSize = 11;

// Used with n = 4 (header) and n = 10 (whole frame); n outside 1..10 does nothing.
void frameChecksum(std::uint8_t (&frame)[kOutputFrameSize], int n);

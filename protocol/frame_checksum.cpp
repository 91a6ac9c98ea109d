// The output frames' add-xor-rotate checksum.
#include "protocol/frame_checksum.h"

void frameChecksum(std::uint8_t (&frame)[kOutputFrameSize], int n) {
    if (n < 1 || n > kOutputFrameSize - 1) {
        return;
    }
    unsigned s = 0;
    for (int i = 1; i < n; ++i) {
        s = (s + frame[i]) & 0xFF;
        s ^= 0xA5;
        s = ((s << 1) | (s >> 7)) & 0xFF;
    }
    frame[n] = static_cast<std::uint8_t>(s);
}

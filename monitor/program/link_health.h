// The link's health, counted where the bytes are split into records, from what the stream
// decoder shows of itself before and after each byte (the decoder is left as it is).
//
//   bytes    every byte received
//   records  records opened (command bytes)
//   dropped  data bytes the framing threw away: outside any record, or ending a record without
//            being taken
//   cutOff   records that a command byte ended before they had all their data bytes
#pragma once

#include <cstdint>

#include "monitor/coverage/link_report.h"

class LinkHealth {
  public:
    // Around decodeByte, for the same byte.
    void beforeByte(std::uint8_t byte);
    void afterByte(int changed);

    std::uint64_t bytes() const { return bytes_; }
    // Copies the counts into the report, with the average rate over seconds.
    void fill(LinkReport& report, double seconds) const;

  private:
    std::uint64_t bytes_ = 0;
    std::uint64_t records_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t cutOff_ = 0;
    bool dataInRecord_ = false;  // the byte being decoded is a data byte of an open record
};

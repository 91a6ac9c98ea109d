// Puts the whole panel protocol back to its start-of-run state between tests, with a recording
// window services and a scripted device link.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/fake_device_link.h"
#include "tests/support/recording_window_services.h"

using Bytes = std::vector<std::uint8_t>;

void resetProtocolState();

class ProtocolTest : public ::testing::Test {
  protected:
    ProtocolTest();

    // Lets bytes arrive and runs poll cycles until the link is drained; returns the OR of their
    // results.
    int poll(const Bytes& bytes);
    // Runs each byte through the decoder directly; returns the result for the last one.
    int feed(const Bytes& bytes);

    std::int16_t slot(int n) const;
    std::string mainboardText() const;
    std::vector<std::string> moduleLines() const;

    RecordingWindowServices screen;
    WindowHandle window = nullptr;
};

// Puts the whole tool back to its start-of-process state between tests, with a recording window
// services that knows the 38 pictures. Port and adapter fakes are added by the tests that need
// them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_window_services.h"

void resetToolState();

class ToolTest : public ::testing::Test {
  protected:
    ToolTest();
    ~ToolTest() override;

    // The name of the picture a control shows ("" for none).
    std::string pictureOf(WindowHandle window, int controlId) const;
    std::string textOf(WindowHandle window, int controlId) const;

    RecordingWindowServices screen;
};

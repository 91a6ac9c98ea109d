#include "tests/support/tool_fixture.h"

#include <cstdio>

#include "app/shell.h"
#include "link/connection_table.h"
#include "link/device_link.h"
#include "protocol/module_registry.h"
#include "protocol/output_frames.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "ui/indicator_display.h"

void resetToolState() {
    reportState() = ReportState{};
    decoderState() = DecoderState{};
    moduleRegistry() = ModuleRegistry{};
    outputState() = OutputState{};
    connectionTable() = ConnectionTable{};
    deviceLinkState() = DeviceLinkState{};
    shellState() = ShellState{};
    indicatorDisplay() = IndicatorDisplayState{};
}

ToolTest::ToolTest() {
    resetToolState();
    char name[16];
    for (int n = 1; n <= kBitmapCount; ++n) {
        std::snprintf(name, sizeof name, "BILD%d", n);
        screen.declareBitmap(name);
    }
}

ToolTest::~ToolTest() {
    resetToolState();
}

std::string ToolTest::pictureOf(WindowHandle window, int controlId) const {
    return screen.bitmapName(screen.control(window, controlId).picture);
}

std::string ToolTest::textOf(WindowHandle window, int controlId) const {
    return screen.control(window, controlId).text;
}

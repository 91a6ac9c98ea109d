// Puts every piece of the tool's process-wide state back to the value it has when the process
// starts: for tests, benchmarks and fuzzing, which run the tool more than once in one process.
#pragma once

#include "app/shell.h"
#include "link/connection_table.h"
#include "link/device_link.h"
#include "protocol/module_registry.h"
#include "protocol/output_frames.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "ui/indicator_display.h"

inline void resetToStartState() {
    reportState() = ReportState{};
    decoderState() = DecoderState{};
    moduleRegistry() = ModuleRegistry{};
    outputState() = OutputState{};
    connectionTable() = ConnectionTable{};
    deviceLinkState() = DeviceLinkState{};
    shellState() = ShellState{};
    indicatorDisplay() = IndicatorDisplayState{};
}

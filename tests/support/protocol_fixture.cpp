#include "tests/support/protocol_fixture.h"

#include "protocol/module_registry.h"
#include "protocol/output_frames.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "ui/test_window_ids.h"

void resetProtocolState() {
    reportState() = ReportState{};
    decoderState() = DecoderState{};
    moduleRegistry() = ModuleRegistry{};
    outputState() = OutputState{};
    resetFakeDeviceLink();
}

ProtocolTest::ProtocolTest() {
    resetProtocolState();
    window = screen.createDialog("SERIALWINZR8", nullptr);
    screen.presetText(window, kMainboardReadoutId, "-");
    screen.clearLog();
}

int ProtocolTest::poll(const Bytes& bytes) {
    fakeDeviceLink().arrive(bytes);
    int changed = 0;
    while (!fakeDeviceLink().drained()) {
        changed |= pollInput(window);
    }
    return changed;
}

int ProtocolTest::feed(const Bytes& bytes) {
    int last = 0;
    for (std::uint8_t byte : bytes) {
        last = decodeByte(window, byte);
    }
    return last;
}

std::int16_t ProtocolTest::slot(int n) const {
    return reportState().receivedSlots[n];
}

std::string ProtocolTest::mainboardText() const {
    return screen.control(window, kMainboardReadoutId).text;
}

std::vector<std::string> ProtocolTest::moduleLines() const {
    return screen.control(window, kModuleListId).rows;
}

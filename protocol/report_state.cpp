// The process-wide record of what the panel modules reported.
#include "protocol/report_state.h"

ReportState& reportState() {
    static ReportState state;
    return state;
}

void clearReceivedSlots() {
    for (std::int16_t& slot : reportState().receivedSlots) {
        slot = kNoSlotValue;
    }
}

// The widest values of the read-outs, from what the decoder and the display write into them.
#include "ui/widest_readouts.h"

#include "ui/test_window_ids.h"

const char* widestReadoutText(int controlId) {
    switch (controlId) {
        case kMainboardReadoutId:
            // The identification with three-digit numbers and a wide character in both
            // character places; the mainboard number (at most 16383) is shorter.
            return "127W-127W-127";
        case kRudderTrimReadoutId:
            return "127";
        case kTrimCounterReadoutId:
            // The counter is never reset: a long session may take it this far either way.
            return "-99999";
        case kStepReadoutId:
            return "20";
        default:
            break;
    }
    if (controlId >= kFirstChannelReadoutId && controlId < kFirstChannelReadoutId + 6) {
        // A 10-bit lever read at the 8-bit full scale runs past 127.0.
        return "1023.0";
    }
    return nullptr;
}

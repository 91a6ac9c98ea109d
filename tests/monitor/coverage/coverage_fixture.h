// The decoder and a coverage tracker side by side, as the monitor runs them: every byte goes
// through decodeByte() and the tracker observes each one that changed something.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/coverage/coverage_tracker.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tests/support/protocol_fixture.h"

class CoverageTest : public ProtocolTest {
  protected:
    static std::uint8_t d(unsigned payload) {
        return static_cast<std::uint8_t>(0x80 | (payload & 0x7F));
    }

    static Bytes announce(std::uint8_t type) { return {112, d(type), d(1)}; }
    static Bytes panel(std::uint8_t command, unsigned first, unsigned second) {
        return {command, d(0), d(first), d(second)};
    }
    static Bytes trimStep(bool up) { return {24, d(45), d(up ? 0x01 : 0x09)}; }
    static Bytes rudder(unsigned position) { return {24, d(46), d(position)}; }
    // Channel 0..5 at resolution 0 (255), 1 (511) or 2 (1023).
    static Bytes channel(int index, unsigned resolution, unsigned value) {
        const std::uint8_t subCodes[] = {3, 8, 9, 10, 11, 12};
        return {98, d(subCodes[index]), d((resolution << 4) | (value >> 7)), d(value)};
    }

    // Decodes the bytes, observing after every byte that changed something. Every index that
    // observe() hands out is kept in handedOut, in order.
    void run(const Bytes& bytes) {
        for (std::uint8_t byte : bytes) {
            seconds += 0.001;
            if (decodeByte(window, byte) == 1) {
                tracker.observe(reportState(), moduleRegistry(), seconds, newlySeen);
                handedOut.insert(handedOut.end(), newlySeen.begin(), newlySeen.end());
            }
        }
    }

    // The words of the items seen for a slot.
    std::vector<std::string> seenValues(int slot) const {
        std::vector<std::string> values;
        for (const CoverageItem& item : tracker.items()) {
            if (item.slot == slot && item.seen) {
                values.push_back(item.value);
            }
        }
        return values;
    }

    CoverageTracker tracker;
    std::vector<int> newlySeen;
    std::vector<int> handedOut;
    double seconds = 0.0;
};

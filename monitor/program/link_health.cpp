// Counting the link's health around the stream decoder.
#include "monitor/program/link_health.h"

#include <limits>

#include "protocol/module_reports.h"
#include "protocol/stream_decoder.h"

namespace {

constexpr std::int16_t kModuleIdentity = 112;
constexpr std::int16_t kMainboardHigh = 115;
constexpr std::int16_t kMainboardLow = 116;
constexpr std::int16_t kMainboardIdentification = 120;
// A record that ends itself on its last data byte: still open, it is always incomplete.
constexpr std::int16_t kEndsItself = std::numeric_limits<std::int16_t>::max();

// The decoder's data-byte counter of a whole record of the command (sub-code included for the
// module reports); 0 for a command without a handler, which is never incomplete.
std::int16_t wholeRecordCount(std::int16_t command) {
    const ReportDecoder decoder = reportDecoderFor(command);
    if (decoder == decodeReport16 || decoder == decodeReport17 || decoder == decodeReport18 ||
        decoder == decodeReport19 || decoder == decodePowerQuadrantReport) {
        return 3;  // sub-code and two data bytes (the TOGA record ends itself earlier)
    }
    if (decoder == decodeTrimReport) {
        return 2;
    }
    if (decoder == decodeGearReport) {
        return kEndsItself;
    }
    switch (command) {
        case kModuleIdentity:
            return 2;
        case kMainboardHigh:
        case kMainboardLow:
            return kEndsItself;
        case kMainboardIdentification:
            return kIdentificationParts;
        default:
            return 0;
    }
}

}  // namespace

void LinkHealth::beforeByte(std::uint8_t byte) {
    const DecoderState& state = decoderState();
    ++bytes_;
    dataInRecord_ = false;
    if ((byte & 0x80) == 0) {
        ++records_;
        if (state.currentCommand != kNoCommand &&
            state.dataByteCounter < wholeRecordCount(state.currentCommand)) {
            ++cutOff_;
        }
    } else if (state.currentCommand == kNoCommand) {
        ++dropped_;
    } else {
        dataInRecord_ = true;
    }
}

void LinkHealth::afterByte(int changed) {
    if (dataInRecord_ && changed == 0 && decoderState().consumed == 0) {
        ++dropped_;
    }
    dataInRecord_ = false;
}

void LinkHealth::fill(LinkReport& report, double seconds) const {
    report.bytes = bytes_;
    report.records = records_;
    report.dropped = dropped_;
    report.cutOff = cutOff_;
    report.bytesPerSecond = seconds > 0.0 ? static_cast<double>(bytes_) / seconds : 0.0;
}

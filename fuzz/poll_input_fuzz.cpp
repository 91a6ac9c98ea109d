// Fuzz target for the whole inbound path: the input is cut into reads of 1..100 bytes (sizes
// taken from the input itself) and run through pollInput; the read-out text and the module list
// are read from the decoder's and the registry's state. The same bytes are then decoded one by one
// from the start state, and both runs must end in exactly the same state: how the line cuts the
// stream must never matter.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "link/device_link.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"

namespace {

const std::uint8_t* input = nullptr;
std::size_t inputSize = 0;
std::size_t position = 0;
std::uint8_t cutSeed = 0;

// The lines of the module list, as many as the registry gives.
int moduleLines(std::string& out) {
    char line[kModuleListLineSize];
    int count = 0;
    while (moduleListLine(count, line) != 0) {
        out += "|";
        out += line;
        ++count;
    }
    return count;
}

std::string snapshot() {
    std::string out;
    const ReportState& reports = reportState();
    for (std::int16_t value : reports.receivedSlots) {
        out += std::to_string(value) + ",";
    }
    out += std::to_string(reports.trimCounter) + "," + std::to_string(reports.fullScale);
    for (std::uint16_t first : reports.channelFirstBytes) {
        out += "," + std::to_string(first);
    }
    const DecoderState& decoder = decoderState();
    out += "|" + std::to_string(decoder.currentCommand) + "/" +
           std::to_string(decoder.dataByteCounter) + "/" + std::to_string(decoder.subCode) + "/" +
           std::to_string(decoder.mainboardHigh) + "/" + std::to_string(decoder.mainboardLow);
    for (std::int32_t part : decoder.identificationParts) {
        out += "/" + std::to_string(part);
    }
    const ModuleRegistry& registry = moduleRegistry();
    for (const ModuleEntry& entry : registry.entries) {
        out +=
            std::to_string(entry.present) + ":" + std::to_string(entry.version) + ":" + entry.name;
    }
    out += "|";
    out.append(decoder.mainboardText, strnlen(decoder.mainboardText, sizeof decoder.mainboardText));
    moduleLines(out);
    return out;
}

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void startState() {
    reportState() = ReportState{};
    decoderState() = DecoderState{};
    moduleRegistry() = ModuleRegistry{};
}

}  // namespace

std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    if (position >= inputSize) {
        return 0;
    }
    cutSeed = static_cast<std::uint8_t>(cutSeed * 73 + 41);
    std::size_t count = 1 + cutSeed % kDeviceLinkReadSize;
    if (count > inputSize - position) {
        count = inputSize - position;
    }
    std::memcpy(buffer, input + position, count);
    position += count;
    return static_cast<std::uint32_t>(count);
}

int writeDeviceLink(const std::uint8_t*, std::uint32_t) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses how the rest is cut into reads.
    cutSeed = data[0];
    input = data + 1;
    inputSize = size - 1;
    position = 0;

    // No window: the silent window services take the poll's updates.
    startState();
    while (position < inputSize) {
        pollInput(nullptr);
    }
    const std::string cut = snapshot();

    for (std::int16_t value : reportState().receivedSlots) {
        check(value >= -1 && value <= 2047);
    }
    const DecoderState& decoder = decoderState();
    check(strnlen(decoder.mainboardText, sizeof decoder.mainboardText) <
          sizeof decoder.mainboardText);
    check(moduleRegistry().listCount >= 0 && moduleRegistry().listCount <= kModuleTypeCount);
    std::string lines;
    check(moduleLines(lines) == moduleRegistry().listCount);  // the list was rebuilt at the end

    startState();
    for (std::size_t i = 0; i < inputSize; ++i) {
        decodeByte(nullptr, input[i]);
    }
    check(snapshot() == cut);
    return 0;
}

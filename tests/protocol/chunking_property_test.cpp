// Decoding must not depend on how the line cuts the stream into reads: the same bytes fed in
// reads of any size from 1 to 100 leave exactly the same state and the same screen behind.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tests/support/protocol_fixture.h"
#include "tools/samples/mixed_stream.h"

namespace {

// Everything the decoder owns or shows, as one comparable text.
std::string snapshot(const RecordingWindowServices& screen, WindowHandle window) {
    std::ostringstream out;
    const ReportState& reports = reportState();
    for (std::int16_t value : reports.receivedSlots) {
        out << value << ' ';
    }
    out << "| trim " << reports.trimCounter << " full " << reports.fullScale << " first";
    for (std::uint16_t value : reports.channelFirstBytes) {
        out << ' ' << value;
    }
    const DecoderState& decoder = decoderState();
    out << " | cmd " << decoder.currentCommand << " n " << decoder.dataByteCounter << " sub "
        << int(decoder.subCode) << " mb " << decoder.mainboardHigh << '/' << decoder.mainboardLow
        << " id";
    for (std::int32_t part : decoder.identificationParts) {
        out << ' ' << part;
    }
    const ModuleRegistry& registry = moduleRegistry();
    out << " | type " << registry.currentModuleType << " dirty " << registry.listDirty << " count "
        << registry.listCount << " |";
    for (int type = 0; type < kModuleTypeCount; ++type) {
        const ModuleEntry& entry = registry.entries[type];
        if (entry.present != 0 || entry.version != -1 || entry.name[0] != '\0') {
            out << ' ' << type << ':' << entry.version << ':' << entry.name;
        }
    }
    out << "\n| 1002 " << screen.control(window, 1002).text << "\n| 1003";
    for (const std::string& row : screen.control(window, 1003).rows) {
        out << " [" << row << ']';
    }
    out << "\n| log";
    for (const std::string& entry : screen.log()) {
        out << "\n  " << entry;
    }
    return out.str();
}

TEST(ChunkingProperty, AnyCutOfTheStreamGivesTheSameResult) {
    constexpr int kStreams = 60;
    constexpr int kCutsPerStream = 4;
    std::mt19937 cuts(20261209);
    for (int seed = 1; seed <= kStreams; ++seed) {
        // Some streams clean, some with heavy line noise.
        const Bytes stream =
            mixedPanelStream(static_cast<std::uint32_t>(seed), 3000, seed % 3 * 10);

        // Reference: every byte on its own, straight through the byte step.
        resetProtocolState();
        RecordingWindowServices referenceScreen;
        WindowHandle referenceWindow = referenceScreen.createDialog("SERIALWINZR8", nullptr);
        referenceScreen.presetText(referenceWindow, 1002, "-");
        referenceScreen.clearLog();
        bool anyChange = false;
        for (std::uint8_t byte : stream) {
            anyChange |= decodeByte(referenceWindow, byte) != 0;
        }
        ASSERT_TRUE(anyChange);
        const std::string expected = snapshot(referenceScreen, referenceWindow);

        for (int trial = 0; trial < kCutsPerStream; ++trial) {
            resetProtocolState();
            RecordingWindowServices screen;
            WindowHandle cutWindow = screen.createDialog("SERIALWINZR8", nullptr);
            screen.presetText(cutWindow, 1002, "-");
            screen.clearLog();
            // Cut sizes mostly small, some up to the full 100 of a read.
            const int largest = trial == 0 ? 1 : (trial == 1 ? 100 : (trial == 2 ? 7 : 100));
            std::uniform_int_distribution<int> size(1, largest);
            FakeDeviceLink& link = fakeDeviceLink();
            link.arrive(stream);
            for (std::size_t total = 0; total < stream.size();) {
                const int n = size(cuts);
                link.readSizes.push_back(static_cast<std::size_t>(n));
                total += static_cast<std::size_t>(n);
            }
            while (!link.drained()) {
                pollInput(cutWindow);
            }
            ASSERT_EQ(snapshot(screen, cutWindow), expected)
                << "stream seed " << seed << ", trial " << trial;
        }
    }
}

}  // namespace

namespace {

// Every record kind, cut into two reads at every possible position: the same result as one read.
TEST(ChunkingProperty, EveryRecordKindSplitAtEveryPosition) {
    constexpr auto d = [](int payload) { return static_cast<std::uint8_t>(0x80 | payload); };
    const Bytes stream = {112,     d(24), d(3),   115,     d(1),    116,     d(5),  120,
                          d(17),   d(65), d(5),   d(3),    d(0),    18,      d(0),  d(0x55),
                          d(0),    19,    d(0),   d(0x38), d(0x18), 16,      d(0),  d(0x30),
                          d(0x3F), 17,    d(0),   d(0x0F), d(0x7F), 24,      d(45), d(1),
                          24,      d(46), d(100), 98,      d(12),   d(0x13), d(5),  98,
                          d(58),   d(2),  99,     d(4),    d(3),    50,      d(1)};
    std::string expected;
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        resetProtocolState();
        RecordingWindowServices screen;
        const WindowHandle window = screen.createDialog("SERIALWINZR8", nullptr);
        screen.clearLog();
        fakeDeviceLink().arrive(stream);
        fakeDeviceLink().readSizes = {split == 0 ? stream.size() : split, stream.size()};
        while (!fakeDeviceLink().drained()) {
            pollInput(window);
        }
        const std::string result = snapshot(screen, window);
        if (split == 0) {
            expected = result;
            continue;
        }
        ASSERT_EQ(result, expected) << "split after byte " << split;
    }
    EXPECT_NE(expected.find("17A-3-5"), std::string::npos);
}

}  // namespace

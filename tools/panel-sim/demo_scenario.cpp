// The built-in demo: a mainboard with every kind of module we support (and one we do not know)
// that announces itself and then moves every switch, selector, trim wheel, lever and channel
// through each of its positions.
#include <initializer_list>
#include <utility>

#include "tools/panel-sim/scenario.h"

namespace panelsim {

namespace {

// Pace of the demo: slow enough to follow on the test window, short enough to sit through.
constexpr std::uint32_t kStepMs = 40;
constexpr std::uint32_t kAnnounceMs = 20;
constexpr std::uint32_t kRudderStepMs = 10;
constexpr std::uint32_t kPauseMs = 300;

constexpr std::uint8_t d(unsigned payload) {
    return static_cast<std::uint8_t>(0x80 | (payload & 0x7F));
}

// Module types and the commands they use.
constexpr std::uint8_t kTwinPanel1 = 16;
constexpr std::uint8_t kTwinPanel2 = 17;
constexpr std::uint8_t kSinglePanel1 = 18;
constexpr std::uint8_t kSinglePanel2 = 19;
constexpr std::uint8_t kTrimModule = 24;
constexpr std::uint8_t kHobbsModule = 97;
constexpr std::uint8_t kPowerQuadrant = 98;
constexpr std::uint8_t kGearModule = 99;
constexpr std::uint8_t kUnknownModule = 50;

constexpr std::uint8_t kIdentity = 112;
constexpr std::uint8_t kMainboardHigh = 115;
constexpr std::uint8_t kMainboardLow = 116;
constexpr std::uint8_t kMainboardIdentification = 120;

constexpr std::uint8_t kElevatorTrimStep = 45;
constexpr std::uint8_t kRudderTrimPosition = 46;
constexpr std::uint8_t kGearState = 4;
constexpr std::uint8_t kToga = 58;
constexpr std::uint8_t kChannelSubCodes[6] = {3, 8, 9, 10, 11, 12};

class DemoBuilder {
  public:
    void add(std::uint32_t delayMs, std::vector<std::uint8_t> bytes, std::string note = {}) {
        ScenarioRecord record;
        record.delayMs = delayMs;
        record.bytes = std::move(bytes);
        record.note = std::move(note);
        scenario_.records.push_back(std::move(record));
    }

    // A panel module's report: sub-code 0 and its two data bytes.
    void panel(std::uint8_t module, unsigned first, unsigned second, std::string note = {}) {
        add(kStepMs, {module, d(0), d(first), d(second)}, std::move(note));
    }

    Scenario take() {
        scenario_.name = "demo";
        return std::move(scenario_);
    }

  private:
    Scenario scenario_;
};

void announceModules(DemoBuilder& demo) {
    const std::pair<std::uint8_t, std::uint8_t> modules[] = {
        {kTwinPanel1, 3},    {kTwinPanel2, 3}, {kSinglePanel1, 2},
        {kSinglePanel2, 2},  {kTrimModule, 4}, {kHobbsModule, 1},
        {kPowerQuadrant, 5}, {kGearModule, 2}, {kUnknownModule, 1},
    };
    bool first = true;
    for (const auto& [type, version] : modules) {
        demo.add(first ? 0 : kAnnounceMs, {kIdentity, d(type), d(version)},
                 "module " + std::to_string(type) + " version " + std::to_string(version));
        first = false;
    }
    demo.add(kStepMs, {kMainboardHigh, d(1), kMainboardLow, d(5)}, "mainboard number 133");
    demo.add(kPauseMs, {kMainboardIdentification, d(17), d('A'), d(5), d(3), d(0)},
             "mainboard identification 17A-3-5");
}

// Command 18, slots 0..6: bits 0..6 of the first data byte; the second is ignored.
void singlePanel1(DemoBuilder& demo) {
    unsigned bits = 0;
    demo.panel(kSinglePanel1, bits, 0, "single panel 1: all switches down");
    for (unsigned bit = 0; bit < 7; ++bit) {
        bits |= 1u << bit;
        demo.panel(kSinglePanel1, bits, 0);
    }
    demo.panel(kSinglePanel1, 0, 0, "all down");
}

// Command 19: first byte bits 0, 1 (slots 10, 11) and the fuel selector in bits 3..5 (slot 13,
// bit 3 + 2 x bit 4 + 3 x bit 5); second byte bits 0..2 (slots 7..9) and the cowl flaps in bits 3
// and 4 (slot 12: 2 for bit 3, 0 for bit 4 alone, 1 for neither).
void singlePanel2(DemoBuilder& demo) {
    unsigned first = 0;
    unsigned second = 0;
    demo.panel(kSinglePanel2, first, second, "single panel 2: switches down, cowl flaps middle");
    for (unsigned bit : {0u, 1u, 2u}) {
        second |= 1u << bit;
        demo.panel(kSinglePanel2, first, second);
    }
    for (unsigned bit : {0u, 1u}) {
        first |= 1u << bit;
        demo.panel(kSinglePanel2, first, second);
    }
    const unsigned cowlFlaps[] = {0x08, 0x10, 0x18, 0x00};  // 2, 0, 2 (bit 3 wins), 1
    for (unsigned flaps : cowlFlaps) {
        demo.panel(kSinglePanel2, first, (second & 0x07) | flaps, "cowl flaps");
    }
    const unsigned fuelSelector[] = {0x08, 0x10, 0x18, 0x28, 0x30, 0x38, 0x00};  // 1..6, then 0
    for (unsigned selector : fuelSelector) {
        demo.panel(kSinglePanel2, (first & 0x03) | selector, second, "fuel selector");
    }
    demo.panel(kSinglePanel2, 0, 0, "all down");
}

// Command 16: first byte bits 3, 2, 1, 0 (slots 14..17) and the starter in bits 4, 5 (slot 20:
// 2 for bit 4, 0 for bit 5 alone, 1 for neither); second byte bits 0..5 (slots 18, 19, 21..24).
void twinPanel1(DemoBuilder& demo) {
    unsigned first = 0;
    unsigned second = 0;
    demo.panel(kTwinPanel1, first, second, "twin panel 1: switches down, starter middle");
    for (unsigned bit = 0; bit < 4; ++bit) {
        first |= 1u << bit;
        demo.panel(kTwinPanel1, first, second);
    }
    for (unsigned bit = 0; bit < 6; ++bit) {
        second |= 1u << bit;
        demo.panel(kTwinPanel1, first, second);
    }
    const unsigned starter[] = {0x20, 0x00, 0x10, 0x30, 0x00};  // 0, 1, 2, 2 (bit 4 wins), 1
    for (unsigned position : starter) {
        demo.panel(kTwinPanel1, (first & 0x0F) | position, second, "starter");
    }
    demo.panel(kTwinPanel1, 0, 0, "all down");
}

// Command 17: first byte bits 4, 5 (slots 28, 29), fuel selectors in bits 3/2 (slot 32) and
// bits 0/1 (slot 33); second byte bits 6, 5, 4 (slots 25..27), cowl flaps in bits 1/0 (slot 30)
// and bits 3/2 (slot 31). Of each pair the first bit gives 2, the second alone 0, neither 1.
void twinPanel2(DemoBuilder& demo) {
    unsigned first = 0;
    unsigned second = 0;
    demo.panel(kTwinPanel2, first, second, "twin panel 2: switches down, selectors middle");
    for (unsigned bit : {6u, 5u, 4u}) {
        second |= 1u << bit;
        demo.panel(kTwinPanel2, first, second);
    }
    for (unsigned bit : {4u, 5u}) {
        first |= 1u << bit;
        demo.panel(kTwinPanel2, first, second);
    }
    struct Pair {
        bool inFirst;
        unsigned a;  // gives 2
        unsigned b;  // alone gives 0
        const char* name;
    };
    const Pair pairs[] = {
        {false, 1, 0, "cowl flaps left"},
        {false, 3, 2, "cowl flaps right"},
        {true, 3, 2, "fuel selector left"},
        {true, 0, 1, "fuel selector right"},
    };
    for (const Pair& pair : pairs) {
        const unsigned a = 1u << pair.a;
        const unsigned b = 1u << pair.b;
        for (unsigned bits : {b, 0u, a, a | b, 0u}) {
            if (pair.inFirst) {
                demo.panel(kTwinPanel2, first | bits, second, pair.name);
            } else {
                demo.panel(kTwinPanel2, first, second | bits, pair.name);
            }
        }
    }
    demo.panel(kTwinPanel2, 0, 0, "all down");
}

// Command 24: rudder trim (sub-code 46) once round 0..127, elevator trim steps (sub-code 45, bit 0
// a step, bit 3 its direction down) up, down past the start and back up to where it began.
void trimModule(DemoBuilder& demo) {
    for (unsigned position = 0; position <= 127; ++position) {
        demo.add(position == 0 ? kStepMs : kRudderStepMs,
                 {kTrimModule, d(kRudderTrimPosition), d(position)},
                 position == 0 ? "rudder trim round the dial" : "");
    }
    demo.add(kStepMs, {kTrimModule, d(kRudderTrimPosition), d(64)}, "rudder trim centred");
    const std::pair<unsigned, int> runs[] = {{0x01, 5}, {0x09, 10}, {0x01, 5}};
    for (const auto& [payload, count] : runs) {
        for (int i = 0; i < count; ++i) {
            demo.add(kStepMs, {kTrimModule, d(kElevatorTrimStep), d(payload)},
                     i == 0 ? (payload == 0x01 ? "elevator trim up" : "elevator trim down") : "");
        }
    }
}

// Command 98: six channels (slot = (first byte & 0x0F) x 128 + second byte, resolution code in
// bits 4..6 of the first byte: 0 for 255, 1 for 511, 2 for 1023 full scale), then TOGA.
void powerQuadrant(DemoBuilder& demo) {
    const unsigned fullScales[] = {255, 511, 1023};
    for (unsigned resolution = 0; resolution < 3; ++resolution) {
        const unsigned full = fullScales[resolution];
        const unsigned values[] = {0, full / 4, full / 2, full * 3 / 4, full, full / 2};
        bool first = true;
        for (unsigned value : values) {
            std::vector<std::uint8_t> bytes;
            for (std::uint8_t subCode : kChannelSubCodes) {
                const unsigned high = (resolution << 4) | (value >> 7);
                bytes.insert(bytes.end(), {kPowerQuadrant, d(subCode), d(high), d(value)});
            }
            demo.add(kStepMs, std::move(bytes),
                     first ? "levers at full scale " + std::to_string(full) : std::string());
            first = false;
        }
    }
    demo.add(kStepMs, {kPowerQuadrant, d(kToga), d(0x00)}, "TOGA off");
    demo.add(kPauseMs, {kPowerQuadrant, d(kToga), d(0x02)}, "TOGA on");
    demo.add(kPauseMs, {kPowerQuadrant, d(kToga), d(0x00)}, "TOGA off");
}

// Command 99, sub-code 4: bit 4 warning horn (slot 36), bit 2 handle (slot 37, 0 when set), bits
// 0/1 flaps (slot 38: 0 when bit 0 is set whatever bit 1 is, 2 for bit 1 alone, else 1), bit 3
// parking brake (slot 39).
void gearModule(DemoBuilder& demo) {
    const std::pair<unsigned, const char*> states[] = {
        {0x00, "gear: handle 1, flaps 1, horn and brake off"},
        {0x01, "flaps 0"},
        {0x03, "flaps 0 (bit 0 wins over bit 1)"},
        {0x02, "flaps 2"},
        {0x00, "flaps 1"},
        {0x04, "handle 0"},
        {0x14, "warning horn on"},
        {0x04, "warning horn off"},
        {0x00, "handle 1"},
        {0x08, "parking brake on"},
        {0x1F, "everything at once"},
        {0x00, "back to rest"},
    };
    for (const auto& [bits, note] : states) {
        demo.add(kStepMs * 2, {kGearModule, d(kGearState), d(bits)}, note);
    }
}

}  // namespace

Scenario demoScenario() {
    DemoBuilder demo;
    announceModules(demo);
    singlePanel1(demo);
    singlePanel2(demo);
    twinPanel1(demo);
    twinPanel2(demo);
    trimModule(demo);
    powerQuadrant(demo);
    gearModule(demo);
    return demo.take();
}

}  // namespace panelsim

// The --send commands: what each good command makes of the output state and which frame it
// sends; a bad one changes nothing and its one-line error names the wrong word and what fits.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "monitor/outputs/send_command.h"

namespace {

// The output state as plain numbers, in declaration order, for tables and readable failures.
struct Outputs {
    int trimOn, trimStep, left, nose, right, dimmed, hobbs;

    bool operator==(const Outputs& o) const {
        return trimOn == o.trimOn && trimStep == o.trimStep && left == o.left && nose == o.nose &&
               right == o.right && dimmed == o.dimmed && hobbs == o.hobbs;
    }
};

void PrintTo(const Outputs& o, std::ostream* os) {
    *os << "{trim " << o.trimOn << " step " << o.trimStep << ", gear " << o.left << "/" << o.nose
        << "/" << o.right << " dimmed " << o.dimmed << ", hobbs " << o.hobbs << "}";
}

Outputs outputsOf(const OutputState& s) {
    return {s.trimIndicatorOn, s.trimIndicatorStep, s.leftGearLight, s.noseGearLight,
            s.rightGearLight,  s.lightsDimmed,      s.hobbsOn};
}

OutputState stateOf(const Outputs& o) {
    OutputState s;
    s.trimIndicatorOn = static_cast<std::int16_t>(o.trimOn);
    s.trimIndicatorStep = static_cast<std::int16_t>(o.trimStep);
    s.leftGearLight = static_cast<std::int16_t>(o.left);
    s.noseGearLight = static_cast<std::int16_t>(o.nose);
    s.rightGearLight = static_cast<std::int16_t>(o.right);
    s.lightsDimmed = static_cast<std::int16_t>(o.dimmed);
    s.hobbsOn = static_cast<std::int16_t>(o.hobbs);
    return s;
}

// Everything off at step 9, and everything on at step 9: a command that touches a field it
// should leave alone shows up against one of them.
constexpr Outputs kQuiet = {0, 9, 0, 0, 0, 0, 0};
constexpr Outputs kBusy = {1, 9, 1, 2, 1, 1, 1};

constexpr auto kTrim = OutputFrameKind::TrimIndicator;
constexpr auto kGear = OutputFrameKind::GearLights;
constexpr auto kHobbs = OutputFrameKind::HobbsMeter;
const auto kNoKind = static_cast<OutputFrameKind>(-1);

struct GoodCommand {
    const char* text;
    Outputs start;
    Outputs expected;
    OutputFrameKind kind;
};

TEST(SendCommand, GoodCommandsSetTheirOutputAndPickItsFrame) {
    const GoodCommand commands[] = {
        {"trim on 7", kQuiet, {1, 7, 0, 0, 0, 0, 0}, kTrim},
        {"TRIM On 20", kQuiet, {1, 20, 0, 0, 0, 0, 0}, kTrim},
        {"trim on 1", kBusy, {1, 1, 1, 2, 1, 1, 1}, kTrim},
        {"trim on", kQuiet, {1, 9, 0, 0, 0, 0, 0}, kTrim},
        {"trim off", kBusy, {0, 9, 1, 2, 1, 1, 1}, kTrim},
        {"trim 12", kQuiet, {0, 12, 0, 0, 0, 0, 0}, kTrim},
        {"trim 3", kBusy, {1, 3, 1, 2, 1, 1, 1}, kTrim},
        {" \ttrim   on\t5  ", kQuiet, {1, 5, 0, 0, 0, 0, 0}, kTrim},
        {"gear", kBusy, {1, 9, 0, 0, 0, 0, 1}, kGear},
        {"gear left=red", kBusy, {1, 9, 1, 0, 0, 0, 1}, kGear},
        {"gear right=green nose=red left=off dimmed", kQuiet, {0, 9, 0, 1, 2, 1, 0}, kGear},
        {"Gear DIMMED Nose=Green", kQuiet, {0, 9, 0, 2, 0, 1, 0}, kGear},
        {"gear left=green nose=green right=green", kBusy, {1, 9, 2, 2, 2, 0, 1}, kGear},
        {"hobbs on", kQuiet, {0, 9, 0, 0, 0, 0, 1}, kHobbs},
        {"HOBBS off", kBusy, {1, 9, 1, 2, 1, 1, 0}, kHobbs},
    };
    for (const GoodCommand& command : commands) {
        OutputState state = stateOf(command.start);
        OutputFrameKind kind = kNoKind;
        std::string error;
        EXPECT_TRUE(parseSendCommand(command.text, state, kind, error))
            << command.text << ": " << error;
        EXPECT_EQ(outputsOf(state), command.expected) << command.text;
        EXPECT_EQ(kind, command.kind) << command.text;
    }
}

struct BadCommand {
    const char* text;
    const char* named;  // the wrong word, quoted as typed
    const char* fits;   // part of what would be right
};

TEST(SendCommand, BadCommandsChangeNothingAndNameTheWrongWord) {
    const BadCommand commands[] = {
        {"", "empty", "trim, gear or hobbs"},
        {" \t ", "empty", "trim, gear or hobbs"},
        {"flaps on", "'flaps'", "trim, gear or hobbs"},
        {"trim", "'trim'", "on, off or a step 1..20"},
        {"trim on 0", "'0'", "1..20"},
        {"trim on 21", "'21'", "1..20"},
        {"trim 0", "'0'", "1..20"},
        {"trim 21", "'21'", "1..20"},
        {"trim on 12x", "'12x'", "1..20"},
        {"trim 12x", "'12x'", "1..20"},
        {"trim -3", "'-3'", "1..20"},
        {"trim on 99999999999999999999999", "'99999999999999999999999'", "1..20"},
        {"trim maybe", "'maybe'", "on, off or a step"},
        {"trim off 5", "'5'", "nothing follows"},
        {"trim on 5 6", "'6'", "nothing follows"},
        {"trim 5 on", "'on'", "nothing follows"},
        {"gear left", "'left'", "left=off, left=red or left=green"},
        {"gear left=", "'left='", "off, red or green"},
        {"gear left=blue", "'blue'", "off, red or green"},
        {"gear left=green nose=blue", "'blue'", "off, red or green"},
        {"gear wing=red", "'wing=red'", "left=, nose=, right="},
        {"gear left = red", "'left'", "left=off"},
        {"gear left=red left=green", "'left=green'", "once"},
        {"gear nose=red NOSE=red", "'NOSE=red'", "once"},
        {"gear dimmed dimmed", "'dimmed'", "once"},
        {"gear on", "'on'", "left=, nose=, right="},
        {"hobbs", "'hobbs'", "on or off"},
        {"hobbs maybe", "'maybe'", "on or off"},
        {"hobbs on now", "'now'", "nothing follows"},
    };
    for (const BadCommand& command : commands) {
        for (const Outputs& start : {kQuiet, kBusy}) {
            OutputState state = stateOf(start);
            OutputFrameKind kind = kNoKind;
            std::string error;
            EXPECT_FALSE(parseSendCommand(command.text, state, kind, error)) << command.text;
            EXPECT_EQ(outputsOf(state), start) << command.text;
            EXPECT_EQ(kind, kNoKind) << command.text;
            EXPECT_NE(error.find(command.named), std::string::npos)
                << command.text << " -> " << error;
            EXPECT_NE(error.find(command.fits), std::string::npos)
                << command.text << " -> " << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << command.text << " -> " << error;
        }
    }
}

TEST(SendCommand, ErrorsQuoteControlBytesAndLongWordsSafely) {
    const std::string controls = std::string("trim on 1\x01\x1b[2J");
    const std::string longWord = "trim " + std::string(5000, '7');
    const std::string cutInUtf8 = "gear " + std::string(31, 'x') + "\xC3\xA9" + "zzz";
    for (const std::string& text : {controls, longWord, cutInUtf8}) {
        OutputState state;
        OutputFrameKind kind = kNoKind;
        std::string error;
        EXPECT_FALSE(parseSendCommand(text, state, kind, error));
        EXPECT_LT(error.size(), 120u) << error;
        for (char c : error) {
            const unsigned char byte = static_cast<unsigned char>(c);
            EXPECT_TRUE(byte >= 0x20 && byte != 0x7F)
                << "control byte " << int{byte} << " in " << error;
        }
    }
    // The quote is cut before the two-byte letter rather than through it.
    OutputState state;
    OutputFrameKind kind = kNoKind;
    std::string error;
    parseSendCommand(cutInUtf8, state, kind, error);
    EXPECT_NE(error.find("'" + std::string(31, 'x') + "...'"), std::string::npos) << error;
}

}  // namespace

// The guided output test against a scripted technician: the questions and the answers kept, and
// what the panel shows at each question, worked out from the frames sent, byte for byte.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "monitor/outputs/output_test.h"
#include "tests/support/fake_device_link.h"

namespace {

using Frame = std::vector<std::uint8_t>;
using Panel = std::array<Frame, 3>;  // the last frame of each kind that reached the panel

constexpr int kStepCount = 34;
constexpr int kStartTrimStep = 5;

// Published frames.
const Frame kGearAllOff = {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFC};
const Frame kHobbsOff = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x00, 0x2D};
const Frame kHobbsOn = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x01, 0x23};
const Frame kTrimOnAtStep20 = {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x01, 0xFF, 0x00, 0x00, 0x96};

Frame frameFor(const OutputState& state, OutputFrameKind kind) {
    const OutputState saved = outputState();
    outputState() = state;
    std::uint8_t bytes[kOutputFrameSize] = {};
    buildOutputFrame(kind, bytes);
    outputState() = saved;
    return Frame(bytes, bytes + kOutputFrameSize);
}

Panel panelFor(const OutputState& state) {
    return {frameFor(state, OutputFrameKind::TrimIndicator),
            frameFor(state, OutputFrameKind::GearLights),
            frameFor(state, OutputFrameKind::HobbsMeter)};
}

OutputState everythingOff(std::int16_t trimStep) {
    OutputState off;
    off.trimIndicatorStep = trimStep;
    return off;
}

// What the panel should show at each step: the gear lights one at a time, the trim indicator
// over its twenty steps, the hobbs meter; all else off.
std::vector<OutputState> expectedStates() {
    std::vector<OutputState> states;
    for (std::int16_t OutputState::*light :
         {&OutputState::leftGearLight, &OutputState::noseGearLight, &OutputState::rightGearLight}) {
        // off, red, green, green dimmed
        for (std::pair<int, int> look : {std::pair{0, 0}, {1, 0}, {2, 0}, {2, 1}}) {
            OutputState state = everythingOff(kStartTrimStep);
            state.*light = static_cast<std::int16_t>(look.first);
            state.lightsDimmed = static_cast<std::int16_t>(look.second);
            states.push_back(state);
        }
    }
    for (std::int16_t step = 1; step <= 20; ++step) {
        OutputState state = everythingOff(step);
        state.trimIndicatorOn = 1;
        states.push_back(state);
    }
    OutputState hobbs = everythingOff(20);
    hobbs.hobbsOn = 1;
    states.push_back(hobbs);
    states.push_back(everythingOff(20));
    return states;
}

bool allOff(const OutputState& s) {
    return s.trimIndicatorOn == 0 && s.leftGearLight == 0 && s.noseGearLight == 0 &&
           s.rightGearLight == 0 && s.lightsDimmed == 0 && s.hobbsOn == 0;
}

class OutputTestRun : public ::testing::Test {
  protected:
    struct Question {
        std::string text;
        Panel panel;
    };

    OutputTestRun() {
        // Left on by earlier commands: the test must not show any of it.
        start = everythingOff(kStartTrimStep);
        start.trimIndicatorOn = 1;
        start.leftGearLight = 2;
        start.lightsDimmed = 1;
        start.hobbsOn = 1;

        io.readLine = [this](std::string& line) {
            if (nextAnswer >= answers.size()) {
                return false;
            }
            line = answers[nextAnswer++];
            return true;
        };
        io.print = [this](const std::string& text) {
            transcript += text;
            if (text.rfind("Step ", 0) == 0) {
                questions.push_back({text, panel});
            }
        };
        // The program's send over the scripted link, recording the frame as buildOutputFrame
        // makes it from the state at that moment.
        resetFakeDeviceLink();
        io.send = [this](OutputFrameKind kind) {
            std::uint8_t bytes[kOutputFrameSize] = {};
            if (buildOutputFrame(kind, bytes) == 0) {
                ADD_FAILURE() << "unknown kind " << static_cast<int>(kind);
                return 0;
            }
            sent.emplace_back(bytes, bytes + kOutputFrameSize);
            const int issued = sendOutputFrame(kind);
            if (issued != 0) {
                panel[static_cast<std::size_t>(kind)] = sent.back();
            }
            return issued;
        };
    }

    std::vector<OutputTestStep> run(std::vector<std::string> script) {
        outputState() = start;
        answers = std::move(script);
        nextAnswer = 0;
        transcript.clear();
        questions.clear();
        sent.clear();
        return runOutputTest(io);
    }

    static std::vector<std::string> repeated(const std::string& answer, int count) {
        return std::vector<std::string>(static_cast<std::size_t>(count), answer);
    }

    // The three frames sent after the last question, and the state: everything off.
    void expectSwitchedOffAtTheEnd(std::int16_t trimStep) {
        ASSERT_GE(sent.size(), 3u);
        const Frame trimOff = frameFor(everythingOff(trimStep), OutputFrameKind::TrimIndicator);
        EXPECT_EQ(trimOff[6], 0);
        EXPECT_EQ(sent[sent.size() - 3], trimOff);
        EXPECT_EQ(sent[sent.size() - 2], kGearAllOff);
        EXPECT_EQ(sent[sent.size() - 1], kHobbsOff);
        EXPECT_TRUE(allOff(outputState()));
    }

    OutputState start;
    OutputTestIo io;
    std::vector<std::string> answers;
    std::size_t nextAnswer = 0;
    std::string transcript;
    std::vector<Question> questions;
    std::vector<Frame> sent;
    Panel panel;
};

TEST_F(OutputTestRun, EachStepShowsItsOutputAloneAndTheRunEndsWithEverythingOff) {
    const std::vector<OutputTestStep> steps = run(repeated("y", kStepCount));

    ASSERT_EQ(steps.size(), static_cast<std::size_t>(kStepCount));
    ASSERT_EQ(questions.size(), steps.size()) << transcript;
    const std::vector<OutputState> expected = expectedStates();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].answer, 'y') << i;
        EXPECT_EQ(questions[i].text,
                  "Step " + std::to_string(i + 1) + " of 34: " + steps[i].description + "? [y/n] ");
        EXPECT_EQ(questions[i].panel, panelFor(expected[i])) << questions[i].text;
    }
    EXPECT_EQ(steps[1].description, "left gear light red");
    EXPECT_EQ(steps[7].description, "nose gear light green, dimmed");
    EXPECT_EQ(steps[8].description, "right gear light off");
    EXPECT_EQ(steps[18].description, "trim indicator at step 7");
    EXPECT_EQ(steps[32].description, "hobbs meter on");
    EXPECT_EQ(steps[33].description, "hobbs meter off");
    // Anchored to published bytes, not only to what buildOutputFrame makes of a state.
    EXPECT_EQ(questions[0].panel[1], kGearAllOff);
    EXPECT_EQ(questions[31].panel[0], kTrimOnAtStep20);
    EXPECT_EQ(questions[32].panel[2], kHobbsOn);
    EXPECT_EQ(questions[33].panel[2], kHobbsOff);

    expectSwitchedOffAtTheEnd(20);
}

TEST_F(OutputTestRun, AnswersAreKeptPerStepAndTheFailuresListed) {
    std::vector<std::string> script = repeated("y", kStepCount);
    script[1] = "n";
    script[5] = "N";
    script[19] = " no\r";
    script[20] = "YES";
    const std::vector<OutputTestStep> steps = run(script);

    ASSERT_EQ(steps.size(), static_cast<std::size_t>(kStepCount));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const bool failed = i == 1 || i == 5 || i == 19;
        EXPECT_EQ(steps[i].answer, failed ? 'n' : 'y') << i;
    }
    EXPECT_NE(transcript.find("step 2, left gear light red"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("step 20, trim indicator at step 8"), std::string::npos);
    EXPECT_EQ(questions.size(), steps.size()) << "each question asked once";
    expectSwitchedOffAtTheEnd(20);
}

TEST_F(OutputTestRun, AnyOtherAnswerRepeatsTheQuestionWithAHint) {
    std::vector<std::string> script = {"maybe", "", "yn", "y", "?", "n"};
    const std::vector<std::string> rest = repeated("y", kStepCount - 2);
    script.insert(script.end(), rest.begin(), rest.end());
    const std::vector<OutputTestStep> steps = run(script);

    ASSERT_EQ(steps.size(), static_cast<std::size_t>(kStepCount));
    EXPECT_EQ(steps[0].answer, 'y');
    EXPECT_EQ(steps[1].answer, 'n');
    EXPECT_EQ(steps[2].answer, 'y');
    ASSERT_EQ(questions.size(), static_cast<std::size_t>(kStepCount + 4));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(questions[i].text.rfind("Step 1 of 34: ", 0), 0u) << questions[i].text;
    }
    EXPECT_EQ(questions[4].text.rfind("Step 2 of 34: ", 0), 0u);
    EXPECT_EQ(questions[5].text.rfind("Step 2 of 34: ", 0), 0u);
    EXPECT_EQ(questions[6].text.rfind("Step 3 of 34: ", 0), 0u);
    std::size_t hints = 0;
    for (std::size_t at = transcript.find("Please answer"); at != std::string::npos;
         at = transcript.find("Please answer", at + 1)) {
        ++hints;
    }
    EXPECT_EQ(hints, 4u) << transcript;
}

TEST_F(OutputTestRun, EndOfInputLeavesTheRestUnansweredAndStillSwitchesEverythingOff) {
    const std::vector<OutputState> expected = expectedStates();
    for (int answered : {0, 3, 20, kStepCount - 1}) {
        SCOPED_TRACE(answered);
        std::vector<std::string> script = repeated("y", answered);
        if (answered > 1) {
            script[1] = "n";
        }
        const std::vector<OutputTestStep> steps = run(script);

        ASSERT_EQ(steps.size(), static_cast<std::size_t>(kStepCount));
        for (int i = 0; i < kStepCount; ++i) {
            const char wanted = i >= answered ? '?' : (i == 1 ? 'n' : 'y');
            EXPECT_EQ(steps[static_cast<std::size_t>(i)].answer, wanted) << i;
        }
        // The step that met the end of input was asked; none after it.
        ASSERT_EQ(questions.size(), static_cast<std::size_t>(answered + 1));
        EXPECT_EQ(questions.back().panel, panelFor(expected[static_cast<std::size_t>(answered)]));
        expectSwitchedOffAtTheEnd(expected[static_cast<std::size_t>(answered)].trimIndicatorStep);
        EXPECT_EQ(panel, panelFor(everythingOff(outputState().trimIndicatorStep)));
    }
}

TEST_F(OutputTestRun, UnsentFramesAreReportedAndTriedAgain) {
    fakeDeviceLink().open = false;
    const std::vector<OutputTestStep> steps = run({"y", "y"});
    EXPECT_EQ(steps[0].answer, 'y');
    EXPECT_EQ(steps[1].answer, 'y');
    EXPECT_NE(transcript.find("Could not send the gear lights frame"), std::string::npos);
    EXPECT_NE(transcript.find("Not every output could be switched off"), std::string::npos);
    // Nothing reached the panel, so every step tries every frame again.
    ASSERT_EQ(sent.size(), 3u * 3u + 3u);
    EXPECT_EQ(sent[3], frameFor(expectedStates()[1], OutputFrameKind::TrimIndicator));
    EXPECT_TRUE(allOff(outputState()));
}

TEST(OutputTestWithoutIo, MissingCallbacksEndLikeEndOfInput) {
    outputState() = OutputState{};
    outputState().hobbsOn = 1;
    OutputTestIo io;
    const std::vector<OutputTestStep> steps = runOutputTest(io);
    ASSERT_EQ(steps.size(), static_cast<std::size_t>(kStepCount));
    for (const OutputTestStep& step : steps) {
        EXPECT_EQ(step.answer, '?');
    }
    EXPECT_TRUE(allOff(outputState()));
}

}  // namespace

// The guided output test: one step per output state, each sent to the panel and confirmed by
// the technician.
#include "monitor/outputs/output_test.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr OutputFrameKind kKinds[3] = {OutputFrameKind::TrimIndicator, OutputFrameKind::GearLights,
                                       OutputFrameKind::HobbsMeter};

struct PlannedStep {
    std::string description;
    OutputState state;  // the whole state the panel shows during the step
    OutputFrameKind kind;
};

// Everything off; the trim step stays where it is (it travels even while the indicator is off).
OutputState allOff(const OutputState& from) {
    OutputState off = from;
    off.trimIndicatorOn = 0;
    off.leftGearLight = 0;
    off.noseGearLight = 0;
    off.rightGearLight = 0;
    off.lightsDimmed = 0;
    off.hobbsOn = 0;
    return off;
}

std::vector<PlannedStep> planSteps(const OutputState& start) {
    std::vector<PlannedStep> plan;
    OutputState state = allOff(start);
    const auto add = [&plan, &state](std::string description, OutputFrameKind kind) {
        plan.push_back(PlannedStep{std::move(description), state, kind});
        state = allOff(state);
    };

    const char* const lightNames[3] = {"left", "nose", "right"};
    const char* const colourNames[3] = {"off", "red", "green"};
    for (int light = 0; light < 3; ++light) {
        std::int16_t& choice = light == 0   ? state.leftGearLight
                               : light == 1 ? state.noseGearLight
                                            : state.rightGearLight;
        const std::string name = std::string(lightNames[light]) + " gear light ";
        for (std::int16_t colour = 0; colour < 3; ++colour) {
            choice = colour;
            add(name + colourNames[colour], OutputFrameKind::GearLights);
        }
        choice = 2;
        state.lightsDimmed = 1;
        add(name + "green, dimmed", OutputFrameKind::GearLights);
    }
    for (std::int16_t step = 1; step <= 20; ++step) {
        state.trimIndicatorOn = 1;
        state.trimIndicatorStep = step;
        add("trim indicator at step " + std::to_string(step), OutputFrameKind::TrimIndicator);
    }
    state.hobbsOn = 1;
    add("hobbs meter on", OutputFrameKind::HobbsMeter);
    add("hobbs meter off", OutputFrameKind::HobbsMeter);
    return plan;
}

const char* frameName(OutputFrameKind kind) {
    switch (kind) {
        case OutputFrameKind::TrimIndicator:
            return "trim indicator";
        case OutputFrameKind::GearLights:
            return "gear lights";
        default:
            return "hobbs meter";
    }
}

using Frame = std::array<std::uint8_t, kOutputFrameSize>;

// Sends the frames the panel needs for the current outputState(): the one of kind always, the
// others when they differ from what was last sent successfully (everything, the first time).
class FrameSender {
  public:
    explicit FrameSender(OutputTestIo& io) : io_(io) {}

    // true when the frame reached the link or did not need to be sent.
    bool send(OutputFrameKind kind, bool always) {
        const int index = static_cast<int>(kind);
        Frame frame{};
        std::uint8_t built[kOutputFrameSize] = {};
        buildOutputFrame(kind, built);
        std::memcpy(frame.data(), built, kOutputFrameSize);
        if (!always && known_[index] && lastSent_[index] == frame) {
            return true;
        }
        known_[index] = io_.send && io_.send(kind) != 0;
        lastSent_[index] = frame;
        if (!known_[index]) {
            print(std::string("Could not send the ") + frameName(kind) + " frame.\n");
        }
        return known_[index];
    }

    void print(const std::string& text) {
        if (io_.print) {
            io_.print(text);
        }
    }

  private:
    OutputTestIo& io_;
    bool known_[3] = {false, false, false};
    Frame lastSent_[3] = {};
};

std::string trimmedLower(const std::string& line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (begin < end && blank(line[begin])) {
        ++begin;
    }
    while (end > begin && blank(line[end - 1])) {
        --end;
    }
    std::string word = line.substr(begin, end - begin);
    for (char& c : word) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return word;
}

// 'y' or 'n' for an answer, 0 for anything else.
char answerOf(const std::string& line) {
    const std::string word = trimmedLower(line);
    if (word == "y" || word == "yes") {
        return 'y';
    }
    if (word == "n" || word == "no") {
        return 'n';
    }
    return 0;
}

// Asks until the answer is y or n; '?' at end of input.
char ask(OutputTestIo& io, FrameSender& out, const std::string& question) {
    for (;;) {
        out.print(question);
        std::string line;
        if (!io.readLine || !io.readLine(line)) {
            return '?';
        }
        const char answer = answerOf(line);
        if (answer != 0) {
            return answer;
        }
        out.print("Please answer y (the panel shows it) or n (it does not).\n");
    }
}

void printSummary(FrameSender& out, const std::vector<OutputTestStep>& steps, bool switchedOff) {
    int seen = 0;
    int notSeen = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].answer == 'y') {
            ++seen;
        } else if (steps[i].answer == 'n') {
            ++notSeen;
            out.print("Not as described: step " + std::to_string(i + 1) + ", " +
                      steps[i].description + "\n");
        }
    }
    const int unanswered = static_cast<int>(steps.size()) - seen - notSeen;
    out.print(std::string(switchedOff ? "Every output switched off."
                                      : "Not every output could be switched off.") +
              " As described: " + std::to_string(seen) + ", not as described: " +
              std::to_string(notSeen) + ", not answered: " + std::to_string(unanswered) + ".\n");
}

}  // namespace

std::vector<OutputTestStep> runOutputTest(OutputTestIo& io) {
    const std::vector<PlannedStep> plan = planSteps(outputState());
    std::vector<OutputTestStep> steps;
    for (const PlannedStep& planned : plan) {
        steps.push_back(OutputTestStep{planned.description, '?'});
    }

    FrameSender out(io);
    const std::string total = std::to_string(plan.size());
    out.print("Output test: " + total +
              " steps, one output at a time. Answer y when the panel shows what is described, n "
              "when it does not.\n");
    for (std::size_t i = 0; i < plan.size(); ++i) {
        outputState() = plan[i].state;
        for (OutputFrameKind kind : kKinds) {
            out.send(kind, kind == plan[i].kind);
        }
        const std::string question = "Step " + std::to_string(i + 1) + " of " + total + ": " +
                                     plan[i].description + "? [y/n] ";
        steps[i].answer = ask(io, out, question);
        if (steps[i].answer == '?') {
            const std::string left =
                i + 1 == plan.size() ? "step " + total + " is"
                                     : "steps " + std::to_string(i + 1) + " to " + total + " are";
            out.print("\nEnd of input: " + left + " not answered.\n");
            break;
        }
    }

    outputState() = allOff(outputState());
    bool switchedOff = true;
    for (OutputFrameKind kind : kKinds) {
        switchedOff = out.send(kind, true) && switchedOff;
    }
    printSummary(out, steps, switchedOff);
    return steps;
}

// The guided output test of --output-test: the tool drives every output through its states one
// at a time and the technician at the bench answers whether the panel shows each of them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "protocol/output_frames.h"

struct OutputTestStep {
    std::string description;  // what the panel should show, e.g. "left gear light red"
    char answer = '?';        // 'y', 'n', '?' not answered
};

struct OutputTestIo {
    std::function<bool(std::string& line)> readLine;     // false at end of input
    std::function<void(const std::string& text)> print;  // text as is; lines end with '\n'
    std::function<int(OutputFrameKind kind)> send;       // sendOutputFrame in the program
};

// Runs the sequence on outputState(): for each step sets the state, sends the frame(s), prints
// what the technician should see and asks "... [y/n] "; repeats the question on any other answer
// (a short hint); at end of input the remaining steps stay '?'. Always finishes with every output
// off (trim indicator off, all gear lights off and not dimmed, hobbs off) and those frames sent.
//
// The sequence: each gear light in turn (left, nose, right) off, red, green and green dimmed with
// the other lights off; the trim indicator on at steps 1 to 20; hobbs on, hobbs off. During a step
// every output but the one under test is off ("off" leaves the trim step where it is: it travels
// in the trim frame all the same). The frame of the output under test is sent at every
// step, the others whenever they change. Answers are y or n (yes, no; any case).
std::vector<OutputTestStep> runOutputTest(OutputTestIo& io);

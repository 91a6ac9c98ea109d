// The outputs part of a monitor run: the --send commands and the guided output test on the
// terminal.
#pragma once

#include <string>
#include <vector>

#include "monitor/outputs/output_test.h"

// Checks every --send before anything is opened, so a typo sends nothing. false with a one-line
// error naming the command.
bool checkSends(const std::vector<std::string>& sends, std::string& error);

// Sends each command's frame in order and prints it as sent (text or JSON).
void sendAll(const std::vector<std::string>& sends, bool json);

// The guided output test on standard input and output.
std::vector<OutputTestStep> runTerminalOutputTest();

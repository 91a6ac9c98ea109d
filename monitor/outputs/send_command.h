// The readable output commands of --send: what the trim indicator, the gear lights or the hobbs
// meter should show, in words.
//
//   trim on N | trim on | trim off | trim N           N = 1..20
//   gear [left=L] [nose=L] [right=L] [dimmed]         L = off|red|green, any order; lights not
//                                                     named are off, dimmed only when named
//   hobbs on | hobbs off
//
// Words are separated by blanks; case does not matter.
#pragma once

#include <string>

#include "protocol/output_frames.h"

// Parses one readable output command and applies it to state; kind receives the frame to send.
// false with a one-line error (naming the word that is wrong and what would be right) on bad input;
// state is then unchanged.
bool parseSendCommand(const std::string& text, OutputState& state, OutputFrameKind& kind,
                      std::string& error);

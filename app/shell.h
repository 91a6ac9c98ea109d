// The program's frame: start-up, the single-instance rule, the bitmap table, switching between
// the connection window and the test window, and the message loop.
#pragma once

#include <cstdint>

#include "app/shell_state.h"
#include "app/window_services.h"

constexpr std::int16_t kQuitTarget = -1;
constexpr std::int16_t kConnectionWindowTarget = 0;
constexpr std::int16_t kTestWindowTarget = 1;

// Registers the two window classes unless another copy of the tool runs, in which case that
// copy's window is restored and brought forward. 1 when both classes are registered, else 0.
int registerWindowClasses();

// Moves to the connection window (0) or the test window (1), or asks to quit (-1). A failed
// opening shows "Can't open window!" and quits.
void switchWindow(std::int16_t target);

// Destroys the current window, creates the connection window, scans the hardware into it and
// shows it. 1 on success, 0 when the window could not be created.
int openConnectionWindow();

// The whole run, from start-up to the end of the message loop. Returns the exit code: 0.
int runTool();

// runTool in its three parts, for drivers that run the loop themselves: start-up up to the
// connection window (0 when another copy runs or the classes were refused: nothing to run),
// and the end of the run after the loop (the still-open window destroyed).
int startTool();
void finishTool();

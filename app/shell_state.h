// What the program's windows share: the one top-level window in front, the guard of a window
// switch, the pictures, and the request to quit.
#pragma once

#include <cstdint>

#include "app/window_services.h"

constexpr int kBitmapCount = 38;

struct ShellState {
    WindowHandle currentWindow = nullptr;     // the one top-level window that exists, if any
    std::int16_t switchingGuard = 0;          // 1 while switchWindow runs an opener
    BitmapHandle bitmaps[kBitmapCount] = {};  // BILD1..BILD38; null where a picture is missing
};

ShellState& shellState();

// Ends the message loop with exit code 0 (the window still open is destroyed after it).
void requestQuit();

// Win32: which of the program's pictures BILD1..BILD38 a picture control shows on the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// A picture as 0x00RRGGBB pixels, rows top to bottom.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;
};

// The 38 pictures as the program file carries them, loaded once.
class ToolPictures {
  public:
    bool load(const std::string& exe, std::string& reason);
    // "BILDn" of the picture that lies pixel for pixel at (left, top) of SCREEN, or "none".
    std::string identify(const Pixels& screen, int left, int top) const;

  private:
    std::vector<Pixels> pictures_;  // entry i is BILD<i + 1>
};

// What the screen shows inside RECT (screen coordinates), read back from the screen.
bool readScreen(const RECT& rect, Pixels& pixels);

}  // namespace driver

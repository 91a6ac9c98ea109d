// The status line at the foot of a terminal: written over in place ("\r", the text, erase to the
// end of the line), and erased before any other line is printed, so that event lines stay clean.
// Disabled, it prints nothing: the monitor enables it only when standard output is a terminal
// and the output is text.
#pragma once

#include <cstdio>
#include <string>

class StatusLine {
  public:
    StatusLine(std::FILE* out, bool enabled) : out_(out), enabled_(enabled) {}

    // Whether the stream is a terminal (never a file or a pipe).
    static bool isTerminal(std::FILE* out);

    bool enabled() const { return enabled_; }
    void show(const std::string& text);
    void erase();

  private:
    std::FILE* out_;
    bool enabled_;
    bool shown_ = false;
};

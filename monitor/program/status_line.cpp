// The terminal's status line.
#include "monitor/program/status_line.h"

#ifdef _WIN32
#include <io.h>
#define ZR8_ISATTY _isatty
#define ZR8_FILENO _fileno
#else
#include <unistd.h>
#define ZR8_ISATTY isatty
#define ZR8_FILENO fileno
#endif

bool StatusLine::isTerminal(std::FILE* out) {
    return out != nullptr && ZR8_ISATTY(ZR8_FILENO(out)) != 0;
}

void StatusLine::show(const std::string& text) {
    if (!enabled_) {
        return;
    }
    std::fputs("\r", out_);
    std::fputs(text.c_str(), out_);
    std::fputs("\x1b[K", out_);
    std::fflush(out_);
    shown_ = true;
}

void StatusLine::erase() {
    if (!enabled_ || !shown_) {
        return;
    }
    std::fputs("\r\x1b[K", out_);
    shown_ = false;
}

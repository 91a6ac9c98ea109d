#include "tests/support/tool_fixture.h"

#include <cstdio>

#include "app/shell.h"
#include "app/start_state.h"

void resetToolState() {
    resetToStartState();
}

ToolTest::ToolTest() {
    resetToolState();
    char name[16];
    for (int n = 1; n <= kBitmapCount; ++n) {
        std::snprintf(name, sizeof name, "BILD%d", n);
        screen.declareBitmap(name);
    }
}

ToolTest::~ToolTest() {
    resetToolState();
}

std::string ToolTest::pictureOf(WindowHandle window, int controlId) const {
    return screen.bitmapName(screen.control(window, controlId).picture);
}

std::string ToolTest::textOf(WindowHandle window, int controlId) const {
    return screen.control(window, controlId).text;
}

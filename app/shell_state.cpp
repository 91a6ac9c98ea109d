// What the program's windows share.
#include "app/shell_state.h"

ShellState& shellState() {
    static ShellState state;
    return state;
}

void requestQuit() {
    windowServices().postQuit(0);
}

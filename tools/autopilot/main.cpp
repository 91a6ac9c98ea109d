// The Linux program with its autopilot: the same program, driven without a person when
// ZR8_AUTOPILOT names a folder for its screenshots (see autopilot.h). For headless runs of
// scripts/run.sh and for tests; it is not shipped.
#include "app/qt/qt_program.h"
#include "tools/autopilot/autopilot.h"

int main(int argc, char** argv) {
    return runQtProgram(argc, argv,
                        [](QtWindowServices& services) { startAutopilotIfAsked(services); });
}

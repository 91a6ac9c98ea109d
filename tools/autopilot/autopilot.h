// Qt: the unattended run. With ZR8_AUTOPILOT=<folder> the program acts as a technician would:
// it picks the connection labelled ZR8_AUTOPILOT_ROW (default "COMM - COM5"), presses OK,
// watches the panel for ZR8_AUTOPILOT_SECONDS (default 8), saves screenshots of both windows
// into the folder and presses Quit.
#pragma once

class QtWindowServices;

// Starts the autopilot when the environment asks for it; true when it did.
bool startAutopilotIfAsked(QtWindowServices& services);

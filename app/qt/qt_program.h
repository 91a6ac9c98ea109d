// Qt: the Linux program's whole run, from the application object to the end of the message loop:
// the icon, the single-instance guard, the window services, the platform's ports and adapters,
// Ctrl+C and SIGTERM ending the run as Quit does.
#pragma once

#include <functional>

class QtWindowServices;

// Runs the program and returns its exit code. beforeRun, when given, is called once the window
// services are installed, just before the first window opens.
int runQtProgram(int argc, char** argv, const std::function<void(QtWindowServices&)>& beforeRun);

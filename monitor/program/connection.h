// Finding and opening the port or adapter the monitor watches, through the same scan and device
// link as the desktop program.
#pragma once

#include <string>
#include <vector>

// Runs the desktop program's hardware scan on a screenless connection window and returns the
// labels of the rows it found, in its order.
std::vector<std::string> scanConnections();

// The row of the scan that name means: its number (1 for the first row), its label, or a short
// serial name such as "COM3" for "COMM - COM3" (case does not matter). -1 when none matches.
int findConnection(const std::vector<std::string>& labels, const std::string& name);

// Selects that row and opens it at speed (serial rows; adapters always run at 38400). false with
// a one-line error when it could not be opened.
bool openConnection(int row, int speed, std::string& error);

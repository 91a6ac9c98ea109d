// The device link of zr8-decode: serves a capture file in reads of at most 100 bytes.
#pragma once

#include <cstdio>

void openCaptureLink(std::FILE* file);
bool captureLinkFinished();  // end of file or a read error
int captureLinkError();      // errno of a failed read, 0 when none

// The device link of zr8-decode: serves a recorded stream in reads of at most 100 bytes. The
// input is either a capture file (it starts with the capture magic: each chunk is served in
// reads of at most 100 bytes, never two chunks in one read) or raw bytes as they came.
#pragma once

#include <cstdio>
#include <string>

// Starts serving file; name stands for it in error messages. Reads the first bytes at once to
// tell a capture from a raw stream (a raw stream still gets them served first).
void openCaptureLink(std::FILE* file, const std::string& name);
bool captureLinkFinished();  // end of input, a read error or a bad capture
// One line, empty when the input was read to its end without fault.
const std::string& captureLinkError();

// Control ids of the connection selection window.
#pragma once

constexpr int kConnectionQuitId = 500;  // "Quit"
constexpr int kConnectionOkId = 501;    // "OK"
constexpr int kConnectionListId = 502;  // unsorted list of the connections found
constexpr int kSpeed9600Id = 503;       // radio button "9600"
constexpr int kSpeed38400Id = 504;      // radio button "38400"

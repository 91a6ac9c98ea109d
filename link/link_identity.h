// Finding the connection again after it went away: a COM port by its number (the port map says
// which device that is now), an adapter by its USB serial number when it has one, else by its
// description and its place on the USB buses. Never by the device index alone: when an adapter
// goes, the ones after it move down, and another adapter may take its index.
#pragma once

#include <cstdint>
#include <string>

#include "link/ftdi_service.h"

struct LinkIdentity {
    bool usb = false;
    int portNumber = 0;        // COM port: 1 for COM1
    std::string serialNumber;  // adapter: its USB serial number; empty when it has none
    std::string description;   // adapter: the description the connection window shows
    std::string place;         // adapter: its place on the buses; empty when unknown
    // Another adapter answers with the same serial number (cheap or cloned chips): then the
    // place must match as well.
    bool serialShared = false;
};

// The identity of the link open now for the selected row (an adapter's is read from it, and the
// other adapters are asked whether they share its serial number). false when nothing is open.
bool identifyOpenLink(LinkIdentity& identity);

// Whether an adapter that calls itself so is the one identity names: the same serial number, or
// when it has none or shares it, the same description at the same place.
bool isSameAdapter(const LinkIdentity& identity, const FtdiIdentity& found,
                   const std::string& foundDescription, bool serialShared);

// Opens the link of identity again for the selected row, if it is there now: the same COM port
// at the chosen speed, or the adapter found by a fresh look at every adapter (the row's device
// index follows it). Anything open is closed first. true when the link is open.
bool reopenLink(const LinkIdentity& identity);

// Placeholder until the serial port service lands.
#include "link/serial_port_service.h"

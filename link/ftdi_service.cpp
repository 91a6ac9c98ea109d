// Placeholder until the FTDI service lands.
#include "link/ftdi_service.h"

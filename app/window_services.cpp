// Process-wide access to the installed window services, with a silent stand-in.
#include "app/window_services.h"

#include "app/silent_window_services.h"

namespace {

SilentWindowServices silentServices;
WindowServices* installedServices = &silentServices;

}  // namespace

WindowServices& windowServices() {
    return *installedServices;
}

void installWindowServices(WindowServices* services) {
    installedServices = services != nullptr ? services : &silentServices;
}

// What the window's tests on the real daemon hold while they run: COM, and
// the ModemManager service read without this machine's rfkill switches.
#pragma once

#include "platform/modemmanager/modemmanager_service.h"
#include "platform/runtime.h"

namespace real_daemon {

inline paravue::mm::ServiceOptions WithoutMachineSwitches() {
    paravue::mm::ServiceOptions options;
    options.sysfsRoot = "/nonexistent-sysfs";
    return options;
}

// Members go in reverse order of their start: the service before COM.
struct WindowService {
    paravue::ComApartment apartment;
    paravue::mm::ModemManagerService service{WithoutMachineSwitches()};
};

}  // namespace real_daemon

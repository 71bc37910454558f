// The ModemManager service: while it lives, CoCreateInstance of the three
// Mobile Broadband classes reaches ModemManager on the system bus.
#pragma once

#include "platform/modemmanager/service_options.h"
#include "platform/runtime.h"

namespace paravue::mm {

class ModemManagerService {
  public:
    explicit ModemManagerService(ServiceOptions options = {});

  private:
    ClassRegistration interfaceManager_;
    ClassRegistration connectionManager_;
    ClassRegistration profileManager_;
};

}  // namespace paravue::mm

// The three service classes: each factory creates one manager of the core's
// service, or fails as the current device state says.
#pragma once

#include <memory>

#include "platform/com.h"
#include "platform/simulated/service_core.h"

namespace paravue::simulated {

HRESULT CreateInterfaceManager(const std::shared_ptr<ServiceCore>& core, REFIID iid, void** object);
HRESULT CreateConnectionManager(const std::shared_ptr<ServiceCore>& core, REFIID iid,
                                void** object);
HRESULT CreateConnectionProfileManager(const std::shared_ptr<ServiceCore>& core, REFIID iid,
                                       void** object);

}  // namespace paravue::simulated

// The three service classes, each creating one manager of the core's service,
// or failing as the current device state says, while its registration lives.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime.h"
#include "platform/simulated/service_core.h"

namespace paravue::simulated {

std::vector<ClassRegistration> RegisterManagers(const std::shared_ptr<ServiceCore>& core);

}  // namespace paravue::simulated

// The system's own Mobile Broadband service. Which implementation is linked
// is decided by the build.
#pragma once

#include <memory>

#include "platform/service_choice.h"

namespace paravue {

std::unique_ptr<ActiveService> StartSystemService();

}  // namespace paravue

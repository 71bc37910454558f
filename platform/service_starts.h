// The services StartService chooses between. Which system service is linked is
// decided by the build; the scenario's lives with the simulated service.
#pragma once

#include <memory>
#include <string>

namespace paravue {

class ActiveService;  // platform/service_choice.h

std::unique_ptr<ActiveService> StartSystemService();
// Throws ServiceUnavailable (BadScenario) when the file cannot be read or is invalid.
std::unique_ptr<ActiveService> StartScenarioService(const std::string& path);

}  // namespace paravue

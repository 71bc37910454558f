// Which Mobile Broadband service a program talks to: a scenario's simulated
// service, or the system's own. Shared by the window and paravue-report.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace paravue {

// Keeps the chosen service's classes registered while it lives.
class ActiveService {
  public:
    virtual ~ActiveService() = default;
};

// The scenario at `scenarioPath`, else the one the environment variable
// PARAVUE_SCENARIO names (when set and not empty), else the system's service.
// Throws simulated::ScenarioError when the scenario cannot be read or is invalid.
std::unique_ptr<ActiveService> StartService(const std::optional<std::string>& scenarioPath);

}  // namespace paravue

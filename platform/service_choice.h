// Which Mobile Broadband service a program talks to: a scenario's simulated
// service, or the system's own. Shared by the window and paravue-report.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/run_causes.h"

namespace paravue {

// Keeps the chosen service's classes registered while it lives.
class ActiveService {
  public:
    virtual ~ActiveService() = default;
    // What the service knows of why its last report run failed or fell back;
    // nothing for a service that cannot tell (a scenario's).
    virtual RunCauses LastRunCauses() const { return {}; }
};

// The chosen service cannot be used. Its message says why: for a scenario that
// cannot be read or is invalid, the file, the place and what is wrong.
class ServiceUnavailable : public std::runtime_error {
  public:
    enum class Cause {
        BadScenario,  // the scenario file the user chose
        CannotStart,  // the service itself (no memory, no thread)
    };
    ServiceUnavailable(Cause cause, const std::string& message)
        : std::runtime_error(message), cause_(cause) {}
    Cause WhatCause() const { return cause_; }

  private:
    Cause cause_;
};

// The scenario at `scenarioPath`, else the one the environment variable
// PARAVUE_SCENARIO names (when set and not empty), else the system's service.
// Throws ServiceUnavailable.
std::unique_ptr<ActiveService> StartService(const std::optional<std::string>& scenarioPath);

// The system's own service. The build links one: system_service_modemmanager.cpp,
// or system_service_none.cpp where there is none.
std::unique_ptr<ActiveService> StartSystemService();

}  // namespace paravue

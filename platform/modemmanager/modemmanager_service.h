// The ModemManager service: while it lives, CoCreateInstance of the three
// Mobile Broadband classes reaches ModemManager on the system bus.
#pragma once

#include <memory>

#include "platform/modemmanager/service_options.h"
#include "platform/runtime.h"
#include "platform/service_choice.h"

namespace paravue::mm {

class RunReaders;

class ModemManagerService {
  public:
    explicit ModemManagerService(ServiceOptions options = {});

    // Why the last report run (the last interface manager created, and the
    // managers that joined it) failed or fell back, where known.
    RunCauses LastRunCauses() const;
    // What the runs from now on will read: see RunPlan.
    void PlanRuns(const RunPlan& plan);

  private:
    std::shared_ptr<RunReaders> runs_;
    ClassRegistration interfaceManager_;
    ClassRegistration connectionManager_;
    ClassRegistration profileManager_;
};

}  // namespace paravue::mm

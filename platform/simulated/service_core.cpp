#include "platform/simulated/service_core.h"

#include "platform/mbn.h"
#include "platform/simulated/event_scheduler.h"

namespace paravue::simulated {

ServiceCore::ServiceCore(std::shared_ptr<const Scenario> state)
    : state_(std::move(state)),
      managerEvents_(MakeComObject<ConnectionPoint>(IID_IMbnInterfaceManagerEvents)),
      registrationEvents_(MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents)) {}

ConnectionPoint* ServiceCore::PointFor(const IID& iid) const {
    if (iid == IID_IMbnInterfaceManagerEvents)
        return managerEvents_.Get();
    if (iid == IID_IMbnRegistrationEvents)
        return registrationEvents_.Get();
    return nullptr;
}

void ServiceCore::Advised() const {
    std::shared_ptr<EventScheduler> events;
    {
        std::lock_guard lock(mutex_);
        events = events_.lock();
    }
    if (events)
        events->Start();
}

}  // namespace paravue::simulated

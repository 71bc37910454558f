// The state one simulated service shares with every object it hands out: the
// current device state and the two event connection points. Objects keep the
// core alive, so one that outlives its service stays safe to call.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/connection_point.h"
#include "platform/runtime.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class EventScheduler;

class ServiceCore final {
  public:
    explicit ServiceCore(std::shared_ptr<const Scenario> state);

    // The device state objects take their snapshot from.
    std::shared_ptr<const Scenario> State() const {
        std::lock_guard lock(mutex_);
        return state_;
    }
    void SetState(std::shared_ptr<const Scenario> state) {
        std::lock_guard lock(mutex_);
        state_ = std::move(state);
    }

    // Shared by every interface manager of this service; null for other IIDs.
    ConnectionPoint* PointFor(const IID& iid) const;
    ConnectionPoint& InterfaceManagerEvents() const { return *managerEvents_.Get(); }
    ConnectionPoint& RegistrationEvents() const { return *registrationEvents_.Get(); }

    // Called after every successful Advise: the first one starts `events`.
    void SetEvents(std::weak_ptr<EventScheduler> events) {
        std::lock_guard lock(mutex_);
        events_ = std::move(events);
    }
    void Advised() const;

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Scenario> state_;
    std::weak_ptr<EventScheduler> events_;
    ComPtr<ConnectionPoint> managerEvents_;
    ComPtr<ConnectionPoint> registrationEvents_;
};

// The three service classes, each creating one manager of the core's service
// (or failing as the current device state says) while its registration lives.
std::vector<ClassRegistration> RegisterManagers(const std::shared_ptr<ServiceCore>& core);

}  // namespace paravue::simulated

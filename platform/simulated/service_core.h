// The state one simulated service shares with every object it hands out: the
// current device state and the two event connection points. Objects keep the
// core alive, so one that outlives its service stays safe to call.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "platform/connection_point.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class ServiceCore final {
  public:
    explicit ServiceCore(std::shared_ptr<const Scenario> state);

    // The device state objects take their snapshot from.
    std::shared_ptr<const Scenario> State() const;
    void SetState(std::shared_ptr<const Scenario> state);

    // Shared by every interface manager of this service; null for other IIDs.
    ConnectionPoint* PointFor(const IID& iid) const;
    ConnectionPoint& InterfaceManagerEvents() const { return *managerEvents_.Get(); }
    ConnectionPoint& RegistrationEvents() const { return *registrationEvents_.Get(); }

    // Called after every successful Advise (the first one starts the events).
    void SetAdviseListener(std::function<void()> listener);
    void Advised();

  private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Scenario> state_;
    std::function<void()> adviseListener_;
    ComPtr<ConnectionPoint> managerEvents_;
    ComPtr<ConnectionPoint> registrationEvents_;
};

}  // namespace paravue::simulated

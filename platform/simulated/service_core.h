// The state one simulated service shares with every object it hands out: the
// current device state, the two event connection points and the subscription faults. Objects keep
// the core alive, so one that outlives its service stays safe to call.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/connection_point.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class ServiceCore final {
  public:
    explicit ServiceCore(std::shared_ptr<const Scenario> state);

    // The device state objects take their snapshot from.
    std::shared_ptr<const Scenario> State() const;
    void SetState(std::shared_ptr<const Scenario> state);

    HRESULT ContainerFault() const;
    void FailContainer(HRESULT status);
    HRESULT FindConnectionPointFault(const IID& iid) const;
    void FailFindConnectionPoint(const IID& iid, HRESULT status);
    HRESULT AdviseFault(const IID& iid) const;
    void FailAdvise(const IID& iid, HRESULT status);

    // Shared by every interface manager of this service; null for other IIDs.
    ConnectionPoint* PointFor(const IID& iid) const;
    ConnectionPoint& InterfaceManagerEvents() const { return *managerEvents_.Get(); }
    ConnectionPoint& RegistrationEvents() const { return *registrationEvents_.Get(); }

    // Called after every successful Advise (the first one starts the events).
    void SetAdviseListener(std::function<void()> listener);
    void Advised();

  private:
    using Fault = std::pair<IID, HRESULT>;
    static HRESULT FaultFor(const std::vector<Fault>& faults, const IID& iid);
    static void SetFault(std::vector<Fault>& faults, const IID& iid, HRESULT status);

    mutable std::mutex mutex_;
    std::shared_ptr<const Scenario> state_;
    HRESULT containerFault_ = S_OK;
    std::vector<Fault> findFaults_;
    std::vector<Fault> adviseFaults_;
    std::function<void()> adviseListener_;
    ComPtr<ConnectionPoint> managerEvents_;
    ComPtr<ConnectionPoint> registrationEvents_;
};

}  // namespace paravue::simulated

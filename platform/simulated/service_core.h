// The state one simulated service shares with every object it hands out: the
// current device state, the call log with its injected failures, the two
// event connection points and the subscription faults. Objects keep the core
// alive, so one that outlives its service stays safe to call.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/call_observer.h"
#include "platform/connection_point.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class ServiceCore final : public CallObserver {
  public:
    explicit ServiceCore(std::shared_ptr<const Scenario> state);

    // The device state objects take their snapshot from.
    std::shared_ptr<const Scenario> State() const;
    void SetState(std::shared_ptr<const Scenario> state);

    // Logs the call and answers with an injected failure, if any; calls from
    // the quiet thread (event delivery) are neither logged nor counted.
    HRESULT OnServiceCall(std::string_view name) override;
    std::vector<std::string> CallLog() const;
    void ClearCallLog();
    void FailCall(std::size_t k, HRESULT status);
    void SetQuietThread(std::thread::id thread);

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
    std::vector<std::string> log_;
    std::map<std::size_t, HRESULT> callFaults_;
    std::thread::id quietThread_;
    HRESULT containerFault_ = S_OK;
    std::vector<Fault> findFaults_;
    std::vector<Fault> adviseFaults_;
    std::function<void()> adviseListener_;
    ComPtr<ConnectionPoint> managerEvents_;
    ComPtr<ConnectionPoint> registrationEvents_;
};

}  // namespace paravue::simulated

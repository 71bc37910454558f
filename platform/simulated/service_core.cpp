#include "platform/simulated/service_core.h"

#include <algorithm>

#include "platform/mbn.h"

namespace paravue::simulated {

ServiceCore::ServiceCore(std::shared_ptr<const Scenario> state)
    : state_(std::move(state)),
      managerEvents_(MakeComObject<ConnectionPoint>(IID_IMbnInterfaceManagerEvents)),
      registrationEvents_(MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents)) {}

std::shared_ptr<const Scenario> ServiceCore::State() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void ServiceCore::SetState(std::shared_ptr<const Scenario> state) {
    std::lock_guard lock(mutex_);
    state_ = std::move(state);
}

HRESULT ServiceCore::FaultFor(const std::vector<Fault>& faults, const IID& iid) {
    auto it = std::find_if(faults.begin(), faults.end(), [&](auto& f) { return f.first == iid; });
    return it == faults.end() ? S_OK : it->second;
}

void ServiceCore::SetFault(std::vector<Fault>& faults, const IID& iid, HRESULT status) {
    std::erase_if(faults, [&](auto& f) { return f.first == iid; });
    faults.emplace_back(iid, status);
}

HRESULT ServiceCore::ContainerFault() const {
    std::lock_guard lock(mutex_);
    return containerFault_;
}

void ServiceCore::FailContainer(HRESULT status) {
    std::lock_guard lock(mutex_);
    containerFault_ = status;
}

HRESULT ServiceCore::FindConnectionPointFault(const IID& iid) const {
    std::lock_guard lock(mutex_);
    return FaultFor(findFaults_, iid);
}

void ServiceCore::FailFindConnectionPoint(const IID& iid, HRESULT status) {
    std::lock_guard lock(mutex_);
    SetFault(findFaults_, iid, status);
}

HRESULT ServiceCore::AdviseFault(const IID& iid) const {
    std::lock_guard lock(mutex_);
    return FaultFor(adviseFaults_, iid);
}

void ServiceCore::FailAdvise(const IID& iid, HRESULT status) {
    std::lock_guard lock(mutex_);
    SetFault(adviseFaults_, iid, status);
}

ConnectionPoint* ServiceCore::PointFor(const IID& iid) const {
    if (iid == IID_IMbnInterfaceManagerEvents)
        return managerEvents_.Get();
    if (iid == IID_IMbnRegistrationEvents)
        return registrationEvents_.Get();
    return nullptr;
}

void ServiceCore::SetAdviseListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    adviseListener_ = std::move(listener);
}

void ServiceCore::Advised() {
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        listener = adviseListener_;
    }
    if (listener)
        listener();
}

}  // namespace paravue::simulated

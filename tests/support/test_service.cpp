#include "tests/support/test_service.h"

#include <algorithm>

#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"
#include "platform/simulated/event_scheduler.h"
#include "platform/simulated/service_core.h"

namespace paravue::test_support {

void ManualClock::SetWaker(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

void ManualClock::Advance(std::chrono::milliseconds by) {
    now_ += by.count();
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        wake = wake_;
    }
    if (wake)
        wake();
}

struct SubscriptionFaults::Switches {
    using Fault = std::pair<IID, HRESULT>;

    HRESULT Container() const {
        std::lock_guard lock(mutex);
        return container;
    }
    HRESULT Find(const IID& iid) const { return Lookup(find, iid); }
    HRESULT Advise(const IID& iid) const { return Lookup(advise, iid); }
    HRESULT Lookup(const std::vector<Fault>& faults, const IID& iid) const {
        std::lock_guard lock(mutex);
        auto it =
            std::find_if(faults.begin(), faults.end(), [&](auto& f) { return f.first == iid; });
        return it == faults.end() ? S_OK : it->second;
    }
    void Set(std::vector<Fault>& faults, const IID& iid, HRESULT status) {
        std::lock_guard lock(mutex);
        std::erase_if(faults, [&](auto& f) { return f.first == iid; });
        faults.emplace_back(iid, status);
    }

    mutable std::mutex mutex;
    HRESULT container = S_OK;
    std::vector<Fault> find;
    std::vector<Fault> advise;
};

namespace {

using Switches = SubscriptionFaults::Switches;

class PointWrapper final : public ComObject<PointWrapper, IConnectionPoint> {
  public:
    PointWrapper(std::shared_ptr<const Switches> switches, const IID& iid,
                 ComPtr<IConnectionPoint> inner)
        : switches_(std::move(switches)), iid_(iid), inner_(std::move(inner)) {}

    HRESULT GetConnectionInterface(IID* iid) override {
        return inner_->GetConnectionInterface(iid);
    }
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override {
        if (cookie)
            *cookie = 0;
        if (HRESULT fault = switches_->Advise(iid_); FAILED(fault))
            return fault;
        return inner_->Advise(sink, cookie);
    }
    HRESULT Unadvise(DWORD cookie) override { return inner_->Unadvise(cookie); }

  private:
    std::shared_ptr<const Switches> switches_;
    const IID iid_;
    ComPtr<IConnectionPoint> inner_;
};

class ManagerWrapper final
    : public ComObject<ManagerWrapper, IMbnInterfaceManager, IConnectionPointContainer> {
    using Base = ComObject<ManagerWrapper, IMbnInterfaceManager, IConnectionPointContainer>;

  public:
    ManagerWrapper(std::shared_ptr<const Switches> switches, IMbnInterfaceManager* inner)
        : switches_(std::move(switches)), inner_(ComPtr<IMbnInterfaceManager>::Adopt(inner)) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IConnectionPointContainer && object) {
            *object = nullptr;
            if (HRESULT fault = switches_->Container(); FAILED(fault))
                return fault;
        }
        return Base::QueryInterface(iid, object);
    }
    HRESULT GetInterfaces(SAFEARRAY** interfaces) override {
        return inner_->GetInterfaces(interfaces);
    }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        if (HRESULT fault = switches_->Find(iid); FAILED(fault))
            return fault;
        ComPtr<IConnectionPointContainer> container;
        if (HRESULT hr = inner_.As(&container); FAILED(hr))
            return hr;
        ComPtr<IConnectionPoint> inner;
        if (HRESULT hr = container->FindConnectionPoint(iid, inner.Put()); FAILED(hr))
            return hr;
        *point = MakeComObject<PointWrapper>(switches_, iid, std::move(inner)).Detach();
        return S_OK;
    }

  private:
    std::shared_ptr<const Switches> switches_;
    ComPtr<IMbnInterfaceManager> inner_;
};

}  // namespace

SubscriptionFaults::SubscriptionFaults() : switches_(std::make_shared<Switches>()) {
    // The registration can only reach the class below it once it exists.
    auto self = std::make_shared<const ClassRegistration*>(nullptr);
    registration_ = ClassRegistration(CLSID_MbnInterfaceManager, [switches = switches_, self](
                                                                     REFIID iid, void** object) {
        ClassFactory below = ClassFactoryBelow(**self, CLSID_MbnInterfaceManager);
        if (!below)
            return REGDB_E_CLASSNOTREG;
        HRESULT hr = below(iid, object);
        if (SUCCEEDED(hr) && *object && iid == IID_IMbnInterfaceManager)
            *object = static_cast<IMbnInterfaceManager*>(
                MakeComObject<ManagerWrapper>(switches, static_cast<IMbnInterfaceManager*>(*object))
                    .Detach());
        return hr;
    });
    *self = &registration_;
}

void SubscriptionFaults::FailContainer(HRESULT status) {
    std::lock_guard lock(switches_->mutex);
    switches_->container = status;
}
void SubscriptionFaults::FailFindConnectionPoint(const IID& iid, HRESULT status) {
    switches_->Set(switches_->find, iid, status);
}
void SubscriptionFaults::FailAdvise(const IID& iid, HRESULT status) {
    switches_->Set(switches_->advise, iid, status);
}

TestService::TestService(simulated::Scenario scenario, EventTime time)
    : TestService(std::move(scenario),
                  time == EventTime::Manual ? std::make_shared<ManualClock>() : nullptr) {}

TestService::TestService(simulated::Scenario scenario, std::shared_ptr<ManualClock> clock)
    : SimulatedService(std::move(scenario), clock),
      clock_(std::move(clock)),
      layer_(std::vector<intercept::Client*>{&log_}) {}

std::size_t TestService::SubscriberCount() const {
    return Core().InterfaceManagerEvents().SubscriberCount() +
           Core().RegistrationEvents().SubscriberCount();
}

void TestService::WaitForEventsDelivered() {
    Events().WaitForDelivered(true);
}

void TestService::WaitForAllEventsDelivered() {
    Events().WaitForDelivered(false);
}

std::size_t TestService::EventsDelivered() const {
    return Events().Delivered();
}

}  // namespace paravue::test_support

// The simulated service as the tests drive it: every call crossing the
// boundary logged by name (and the k-th one failed on request), event
// subscriptions refused on request, and optionally an event clock that only
// moves when the test moves it, so a test decides when an event is due
// instead of sleeping.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/intercept/layer.h"
#include "platform/runtime.h"
#include "platform/simulated/event_scheduler.h"
#include "platform/simulated/simulated_service.h"
#include "tests/support/call_log.h"

namespace paravue::test_support {

// Starts at 0 and moves only with Advance.
class ManualClock final : public simulated::EventClock {
  public:
    Time Now() const override { return Time(std::chrono::milliseconds(now_.load())); }
    bool FollowsRealTime() const override { return false; }
    void SetWaker(std::function<void()> wake) override;
    void Advance(std::chrono::milliseconds by);

  private:
    std::atomic<std::chrono::milliseconds::rep> now_{0};
    std::mutex mutex_;
    std::function<void()> wake_;
};

// Registered over the interface manager class: hands out the managers below
// it behind a wrapper whose connection point container, FindConnectionPoint
// and Advise answer the chosen failure before the service sees the call.
class SubscriptionFaults {
  public:
    SubscriptionFaults();
    void FailContainer(HRESULT status);  // QueryInterface(IConnectionPointContainer)
    void FailFindConnectionPoint(const IID& iid, HRESULT status);
    void FailAdvise(const IID& iid, HRESULT status);

    struct Switches;

  private:
    std::shared_ptr<Switches> switches_;
    ClassRegistration registration_;
};

enum class EventTime { Real, Manual };

class TestService : public simulated::SimulatedService {
  public:
    explicit TestService(simulated::Scenario scenario, EventTime time = EventTime::Real);

    // Calls seen since construction or ClearCallLog(), in order, by name
    // ("IMbnInterface::GetReadyState", "SafeArrayGetLBound(interfaces)").
    // Calls on the objects that events pass to the sinks are not seen.
    std::vector<std::string> CallLog() const { return log_.Calls(); }
    // Empties the log and starts counting calls anew; withdraws every FailCall.
    void ClearCallLog() { log_.Clear(); }
    // The k-th call (1-based, counted like CallLog) fails with `status`,
    // whatever the scenario says. The call is still logged.
    void FailCall(std::size_t k, HRESULT status) { log_.FailCall(k, status); }

    // Subscription failures at start-up.
    void FailConnectionPointContainer(HRESULT status) { faults_.FailContainer(status); }
    void FailFindConnectionPoint(const IID& iid, HRESULT status) {
        faults_.FailFindConnectionPoint(iid, status);
    }
    void FailAdvise(const IID& iid, HRESULT status) { faults_.FailAdvise(iid, status); }

    // Sinks currently advised on both connection points together.
    std::size_t SubscriberCount() const;

    // The events' clock starts at the first successful Advise on either
    // connection point, so an event with afterMs 0 can fire before a sink has
    // subscribed to the second point.
    //
    // Blocks until every event that is due (its afterMs reached by the clock)
    // has been delivered. Returns at once while nobody has subscribed: the
    // clock has not started, so nothing is due.
    void WaitForEventsDelivered();
    // Blocks until every event has been delivered, however far away (with the
    // real clock: for short afterMs only). Returns at once while nobody has
    // subscribed.
    void WaitForAllEventsDelivered();
    std::size_t EventsDelivered() const;

    // EventTime::Manual only: moves the events' clock forward.
    void AdvanceClock(std::chrono::milliseconds by) { clock_->Advance(by); }

  private:
    TestService(simulated::Scenario scenario, std::shared_ptr<ManualClock> clock);

    std::shared_ptr<ManualClock> clock_;
    SubscriptionFaults faults_;
    test_support::CallLog log_;
    intercept::Layer layer_;
};

}  // namespace paravue::test_support

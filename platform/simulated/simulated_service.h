// A Mobile Broadband service that answers from a Scenario: registers the three
// service classes, observes (and logs) every call crossing the boundary, and
// fires the scenario's events on a thread of its own once someone subscribes.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class ServiceCore;
class EventScheduler;

struct ServiceOptions {
    // The events' clock only moves with AdvanceClock, so tests decide when an
    // event is due instead of sleeping.
    bool manualClock = false;
};

class SimulatedService {
  public:
    // Registers CLSID_MbnInterfaceManager, CLSID_MbnConnectionManager and
    // CLSID_MbnConnectionProfileManager, wraps them in an interception layer
    // that logs the calls and answers the scenario's array failures,
    // lists the scenario's adapters instead of the system's when it has
    // "adapters", and starts its event thread.
    explicit SimulatedService(Scenario scenario, ServiceOptions options = {});
    // Stops the event thread at once (pending events are dropped), withdraws
    // every subscription, the layer, the registrations and the adapters.
    ~SimulatedService();
    SimulatedService(const SimulatedService&) = delete;
    SimulatedService& operator=(const SimulatedService&) = delete;

    // Calls seen since construction or ClearCallLog(), in order, by name
    // ("IMbnInterface::GetReadyState", "SafeArrayGetLBound(interfaces)").
    // Calls on the objects that events pass to the sinks are not seen.
    std::vector<std::string> CallLog() const;
    // Empties the log and starts counting calls anew; withdraws every FailCall.
    void ClearCallLog();
    // The k-th call (1-based, counted like CallLog) fails with `status`,
    // whatever the scenario says. The call is still logged.
    void FailCall(std::size_t k, HRESULT status);

    // Subscription failures at start-up.
    void FailConnectionPointContainer(HRESULT status);  // QueryInterface(IConnectionPointContainer)
    void FailFindConnectionPoint(const IID& iid, HRESULT status);
    void FailAdvise(const IID& iid, HRESULT status);
    // Sinks currently advised on both connection points together.
    std::size_t SubscriberCount() const;

    // The events' clock starts at the first successful Advise on either
    // connection point, so an event with afterMs 0 can fire before a sink has
    // subscribed to the second point; tests that need every event use the
    // manual clock and move it on after subscribing.
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
    // Manual clock only: moves the events' clock forward.
    void AdvanceClock(std::chrono::milliseconds by);

  private:
    std::shared_ptr<ServiceCore> core_;
    struct Registrations;
    struct Interception;
    std::unique_ptr<Registrations> registrations_;
    std::shared_ptr<EventScheduler> events_;  // shared with the subscription gate
    std::unique_ptr<Interception> interception_;
};

}  // namespace paravue::simulated

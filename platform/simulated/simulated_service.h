// A Mobile Broadband service that answers from a Scenario: registers the three
// service classes and fires the scenario's events on a thread of its own once
// someone subscribes.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/com.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class ServiceCore;
class EventScheduler;
class EventClock;

class SimulatedService {
  public:
    // Registers CLSID_MbnInterfaceManager, CLSID_MbnConnectionManager and
    // CLSID_MbnConnectionProfileManager, lists the scenario's adapters instead
    // of the system's when it has "adapters", and starts its event thread.
    // An interception layer answers the scenario's array failures, installed
    // only for a scenario that may have some. The events follow `clock`
    // (steady_clock when null).
    explicit SimulatedService(Scenario scenario, std::shared_ptr<EventClock> clock = nullptr);
    // Stops the event thread at once (pending events are dropped), withdraws
    // every subscription, the layer, the registrations and the adapters.
    ~SimulatedService();
    SimulatedService(const SimulatedService&) = delete;
    SimulatedService& operator=(const SimulatedService&) = delete;

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

  private:
    std::shared_ptr<ServiceCore> core_;
    struct Registrations;
    struct Interception;
    std::unique_ptr<Registrations> registrations_;
    std::shared_ptr<EventScheduler> events_;  // shared with the subscription gate
    std::unique_ptr<Interception> interception_;
};

}  // namespace paravue::simulated

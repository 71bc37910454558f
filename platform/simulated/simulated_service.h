// A Mobile Broadband service that answers from a Scenario: registers the three
// service classes and fires the scenario's events on a thread of its own once
// someone subscribes.
#pragma once

#include <memory>

#include "platform/com.h"
#include "platform/simulated/scenario.h"

namespace paravue::simulated {

class ServiceCore;
class EventScheduler;
class EventClock;

class SimulatedService {
  public:
    // Registers the three classes, lists the scenario's "adapters" instead of
    // the system's, and starts the event thread (on `clock`, steady_clock when
    // null). A layer answering array failures is installed only for a scenario
    // that may have some.
    explicit SimulatedService(Scenario scenario, std::shared_ptr<EventClock> clock = nullptr);
    // Stops the event thread at once (pending events dropped), then withdraws
    // every subscription, the layer, the registrations and the adapters.
    ~SimulatedService();
    SimulatedService(const SimulatedService&) = delete;
    SimulatedService& operator=(const SimulatedService&) = delete;

  protected:
    // For services that watch this one (tests): its objects and its events.
    const ServiceCore& Core() const { return *core_; }
    EventScheduler& Events() const { return *events_; }

  private:
    std::shared_ptr<ServiceCore> core_;
    std::shared_ptr<EventScheduler> events_;  // shared with the subscription gate
    struct Installed;
    std::unique_ptr<Installed> installed_;
};

}  // namespace paravue::simulated

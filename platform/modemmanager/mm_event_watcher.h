// Watches the daemon from a thread of its own (its own context and loop,
// created before any proxy) and reports modems arriving and leaving and their
// 3GPP registration and packet-service changes. It keeps at it while the
// daemon or the system bus is gone or silent, and follows again once it can.
#pragma once

#include <memory>
#include <mutex>
#include <thread>

#include "platform/com.h"
#include "platform/connection_point.h"
#include "platform/modemmanager/service_options.h"

namespace paravue::mm {

// Where the events go: the interface manager's points, which the watcher's
// thread holds, since it may outlive the manager by the rest of an event.
struct EventPoints {
    ComPtr<ConnectionPoint> manager;       // IMbnInterfaceManagerEvents
    ComPtr<ConnectionPoint> registration;  // IMbnRegistrationEvents
};

// Start and Stop are for one owner at a time (the interface manager's
// subscriptions decide which to call); the thread's state lives apart from
// this object, so a sink may stop the watcher or destroy it.
class EventWatcher {
  public:
    EventWatcher(ServiceOptions options, EventPoints points);
    // Stops the thread; from inside an event the thread finishes on its own.
    ~EventWatcher();

    // Starts the thread unless it runs; returns once the thread has its bus
    // connection (or found none), without waiting for the daemon. When
    // following begins only after a failure (no bus, a silent daemon), each
    // modem the daemon then holds is reported as arrived. From inside an
    // event, after a Stop there, it takes that Stop back.
    void Start();
    // Ends the loop and waits for the thread, unless called from that thread
    // (from inside an event): then the loop ends once the event returns
    // and the join is left to the next Start, Stop or the destructor.
    void Stop();

    struct Loop;  // the thread's state, shared with the thread

  private:
    const ServiceOptions options_;
    const EventPoints points_;
    std::mutex mutex_;
    std::thread thread_;
    std::shared_ptr<Loop> loop_;
};

}  // namespace paravue::mm

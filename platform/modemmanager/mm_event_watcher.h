// Watches the daemon from a thread of its own (its own context and loop,
// created before any proxy) and reports modems arriving and leaving, and the
// registration and packet-service changes of their 3GPP interfaces.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/com.h"
#include "platform/mbn.h"
#include "platform/modemmanager/service_options.h"

namespace paravue::mm {

struct EventHandlers {
    std::function<void(IMbnInterface*)> arrival;
    std::function<void(IMbnInterface*)> removal;
    std::function<void(IMbnRegistration*)> registerModeAvailable;
    std::function<void(IMbnRegistration*)> registerState;
    std::function<void(IMbnRegistration*)> packetService;
};

class EventWatcher {
  public:
    EventWatcher(ServiceOptions options, EventHandlers handlers);
    ~EventWatcher();
    EventWatcher(const EventWatcher&) = delete;
    EventWatcher& operator=(const EventWatcher&) = delete;

    // Starts the thread unless it runs; returns once the watch is in place,
    // so that nothing that happens after Start goes unreported.
    void Start();
    // Quits the loop from inside it and waits for the thread, unless called
    // from that thread (from inside a handler), which only quits.
    void Stop();

    struct Loop;  // the thread's state, visible to the glib callbacks

  private:
    void Run(std::shared_ptr<Loop> loop);

    const ServiceOptions options_;
    const EventHandlers handlers_;
    std::mutex mutex_;
    std::thread thread_;
    std::shared_ptr<Loop> loop_;
    bool stopRequested_ = false;
};

}  // namespace paravue::mm

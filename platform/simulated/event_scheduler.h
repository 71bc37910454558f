// Fires a scenario's events, in list order, on a thread of its own. The clock
// starts at the first subscription; each event is due `afterMs` after that.
// Before an event fires the device state moves on to the event's state.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/simulated/scenario.h"
#include "platform/simulated/service_core.h"

namespace paravue::simulated {

// The time events fall due by: steady_clock, unless the service is given
// another. A clock that does not follow real time calls the waker after every
// move, and the scheduler sleeps until woken. Now is read under the scheduler's
// lock: it must not block.
class EventClock {
  public:
    using Time = std::chrono::steady_clock::time_point;
    virtual ~EventClock() = default;
    virtual Time Now() const { return std::chrono::steady_clock::now(); }
    virtual bool FollowsRealTime() const { return true; }
    virtual void SetWaker(std::function<void()> /*wake*/) {}
};

class EventScheduler {
    struct Key {};

  public:
    // The thread runs until Stop: the owner must call it.
    // `document` is what the events' patches apply to (Scenario::document).
    static std::shared_ptr<EventScheduler> Launch(std::shared_ptr<ServiceCore> core,
                                                  std::vector<Event> events,
                                                  std::shared_ptr<const JsonValue> document,
                                                  std::shared_ptr<EventClock> clock);
    EventScheduler(Key, std::shared_ptr<ServiceCore> core, std::vector<Event> events,
                   std::shared_ptr<const JsonValue> document, std::shared_ptr<EventClock> clock);
    ~EventScheduler();

    // Starts the clock; later calls change nothing.
    void Start();
    // Ends the thread without waiting for events still to come. From the
    // thread itself (a sink ending the service inside an event) it only ends
    // the loop: the thread holds the scheduler alive and finishes on its own.
    void Stop();
    // Returns once every event, or every due one, is delivered; at once before
    // the clock starts.
    void WaitForDelivered(bool dueOnly);
    std::size_t Delivered() const;

  private:
    void Run();
    bool NextIsDue(std::unique_lock<std::mutex>& lock);  // waits a while when it is not
    void Fire(const Event& event);

    const std::shared_ptr<ServiceCore> core_;
    const std::vector<Event> events_;
    const std::shared_ptr<EventClock> clock_;
    PatchedStates states_;  // the event thread's alone

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool stopping_ = false;
    EventClock::Time startedAt_;
    std::size_t delivered_ = 0;
    std::thread thread_;
};

}  // namespace paravue::simulated

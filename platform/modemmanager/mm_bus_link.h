// One private system-bus connection on one main context (a report run's or the
// event thread's): a bounded set-up, a guard serialising callers on it, calls
// bounded alone or together, and a hang-up that leaves nothing behind in gio.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/service_options.h"

namespace paravue::mm {

class BusLink {
  public:
    // Cancelling `stop` (when there is one) ends a set-up under way at once,
    // and any later Bounded call.
    BusLink(GMainContextPtr context, const ServiceOptions& options, GCancellable* stop);
    ~BusLink();
    BusLink(const BusLink&) = delete;
    BusLink& operator=(const BusLink&) = delete;

    // Joins the set-up watchdog's thread, which ends once connected. A link
    // that lives long joins it at once; a run's link leaves it to its end:
    // waiting for it would cost every run a wake-up before its first call.
    void EndSetUp();
    // Connects to the system bus on this thread, within the call bound:
    // CO_E_SERVER_EXEC_FAILURE when the bus cannot be reached. Once.
    HRESULT Connect();

    // Holds the link for one operation: serialises callers and makes the
    // link's context the thread default. Ok() is false when another thread
    // (the event loop) owns the context.
    class Use {
      public:
        explicit Use(BusLink& link);
        ~Use();
        bool Ok() const { return acquired_; }

      private:
        BusLink& link_;
        std::unique_lock<std::recursive_mutex> lock_;
        bool acquired_ = false;
    };

    // One asynchronous call: S_OK with the result for its _finish function,
    // or the timeout status with none when it had not answered by the bound.
    using AsyncStart = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
    struct Answer {
        HRESULT status = S_OK;
        GObjectPtr<GAsyncResult> result;
    };
    class Batch;
    // Runs one call on the link's context, bounded. Call inside a Use.
    Answer Await(const AsyncStart& start);
    // Runs the blocking `call` with a cancellable that a watchdog cancels once
    // the call bound has passed; true when it had.
    bool Bounded(const std::function<void(GCancellable*)>& call);

    GDBusConnection* Connection() const { return connection_.get(); }
    const ServiceOptions& Options() const { return options_; }

  private:
    class Watchdog;
    // Closes the connection from its socket within the call bound, or false.
    bool HangUp();

    const ServiceOptions options_;
    GObjectPtr<GCancellable> stop_;
    GMainContextPtr context_;
    std::recursive_mutex mutex_;
    GObjectPtr<GDBusConnection> connection_;
    std::unique_ptr<Watchdog> setUpWatch_;  // stopped once connected
};

// Calls sent together on one link and collected together, on its context. One
// timer bounds them all, counted from when the batch began; each call keeps its
// own outcome, so one that answered before the batch looked is used even when
// another of the batch did not. A batch dropped before it is collected cancels
// what is still open and waits for the callbacks, which write into it. Start,
// collect and drop it inside a Use.
class BusLink::Batch {
  public:
    explicit Batch(BusLink& link);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    void Start(const AsyncStart& start);
    // Waits for every call; answers[i] is the i-th call's.
    std::vector<Answer> Collect();
    Answer CollectOne() { return std::move(Collect().front()); }

  private:
    struct Pending {
        // The call's own: cancelling it leaves the other calls' results as
        // they are (gio reports any result whose cancellable was cancelled
        // as cancelled, even one that had answered).
        GObjectPtr<GCancellable> cancellable{g_cancellable_new()};
        bool finished = false;
        Answer answer;  // until collected
    };
    void CancelOpen();
    void Wait();

    GMainContext* const context_;
    bool expired_ = false;
    GSourcePtr timer_;
    std::deque<Pending> pending_;  // the callbacks hold their addresses
};

// Runs answer() holding `link` (see Use); the wrong-thread status, without
// running it, while another thread owns the link's context.
template <class Answer>
HRESULT InUse(BusLink& link, Answer answer) {
    BusLink::Use use(link);
    return use.Ok() ? answer() : kWrongThread;
}

}  // namespace paravue::mm

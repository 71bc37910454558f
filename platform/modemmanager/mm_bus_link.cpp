#include "platform/modemmanager/mm_bus_link.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

#include "platform/modemmanager/mm_errors.h"

namespace paravue::mm {
namespace {

gboolean OnExpired(gpointer expired) {
    *static_cast<bool*>(expired) = true;
    return G_SOURCE_REMOVE;
}

// Sets `*expired` on `context` once `bound` has passed.
GSourcePtr Timer(GMainContext* context, std::chrono::milliseconds bound, bool* expired) {
    GSourcePtr timer(g_timeout_source_new(static_cast<guint>(bound.count())));
    g_source_set_callback(timer.get(), OnExpired, expired, nullptr);
    g_source_attach(timer.get(), context);
    return timer;
}

}  // namespace

// Cancels its cancellable once the bound has passed, or when `stop` (when
// there is one) is cancelled. A socket handed to it is shut down too: the
// bus's Hello, which connection set-up sends without a cancellable, then
// fails at once.
class BusLink::Watchdog {
  public:
    Watchdog(GCancellable* stop, std::chrono::milliseconds bound)
        : stop_(stop),
          stopLink_(
              stop ? g_cancellable_connect(stop, G_CALLBACK(Forward), cancellable_.get(), nullptr)
                   : 0),
          thread_([this, bound] {
              std::unique_lock lock(mutex_);
              if (changed_.wait_for(lock, bound, [this] { return stopped_; }))
                  return;
              fired_ = true;
              firing_ = true;
              GSocket* socket = socket_;
              lock.unlock();
              g_cancellable_cancel(cancellable_.get());
              if (socket)
                  g_socket_shutdown(socket, TRUE, TRUE, nullptr);
              lock.lock();
              firing_ = false;
              changed_.notify_all();
          }) {}
    ~Watchdog() {
        Stop();
        thread_.join();
        g_cancellable_disconnect(stop_, stopLink_);  // nothing when there is no `stop`
    }

    GCancellable* Cancellable() const { return cancellable_.get(); }
    // `socket` must outlive Stop().
    void AlsoShutDown(GSocket* socket) {
        std::lock_guard lock(mutex_);
        socket_ = socket;
    }
    // Ends the watch and says whether the bound had passed. A firing under
    // way finishes first: nothing is cancelled or shut down once this
    // returns. The thread then ends on its own; the destructor joins it.
    bool Stop() {
        std::unique_lock lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !firing_; });
        return fired_;
    }

  private:
    static void Forward(GCancellable*, gpointer target) {
        g_cancellable_cancel(G_CANCELLABLE(target));
    }

    const GObjectPtr<GCancellable> cancellable_{g_cancellable_new()};
    GCancellable* const stop_;
    const gulong stopLink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    bool firing_ = false;
    bool fired_ = false;
    GSocket* socket_ = nullptr;
    std::thread thread_;  // last: it starts once the rest is ready
};

BusLink::BusLink(GMainContextPtr context, const ServiceOptions& options, GCancellable* stop)
    : options_(options), stop_(ShareGObject(stop)), context_(std::move(context)) {}

HRESULT BusLink::Connect() {
    Use use(*this);
    if (!use.Ok())
        return kWrongThread;
    ErrorSlot error;
    GCharPtr address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, error.Put()));
    if (!address)
        return CO_E_SERVER_EXEC_FAILURE;
    // Connects on this thread under a watchdog rather than asynchronously:
    // gio would run the set-up in a worker thread that must first be
    // scheduled, which on a busy machine costs a run more than its calls.
    auto watchdog = std::make_unique<Watchdog>(stop_.get(), options_.callBound);
    GObjectPtr<GIOStream> stream(g_dbus_address_get_stream_sync(
        address.get(), nullptr, watchdog->Cancellable(), error.Put()));
    if (!stream)
        return CO_E_SERVER_EXEC_FAILURE;
    if (G_IS_SOCKET_CONNECTION(stream.get()))
        watchdog->AlsoShutDown(g_socket_connection_get_socket(G_SOCKET_CONNECTION(stream.get())));
    connection_.reset(g_dbus_connection_new_sync(
        stream.get(), nullptr,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, watchdog->Cancellable(), error.Put()));
    watchdog->Stop();
    setUpWatch_ = std::move(watchdog);
    if (!connection_)
        return CO_E_SERVER_EXEC_FAILURE;
    g_dbus_connection_set_exit_on_close(connection_.get(), FALSE);
    return S_OK;
}

void BusLink::EndSetUp() {
    setUpWatch_.reset();
}

bool BusLink::Bounded(const std::function<void(GCancellable*)>& call) {
    Watchdog watchdog(stop_.get(), options_.callBound);
    call(watchdog.Cancellable());
    return watchdog.Stop();
}

BusLink::~BusLink() {
    Use use(*this);
    if (connection_ && !(use.Ok() && HangUp()))
        g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
    connection_.reset();
    if (use.Ok())
        while (g_main_context_iteration(context_.get(), FALSE)) {
        }
}

bool BusLink::HangUp() {
    // Closing the connection cancels gio's reader from this thread while the
    // reader's thread may be disposing its socket source; gio then keeps that
    // source for good (about 120 bytes and a context slot per connection: a
    // window that rebuilds on every event grows without bound). Shutting the
    // socket down ends the reader on its own thread, leaving nothing to cancel.
    GIOStream* stream = g_dbus_connection_get_stream(connection_.get());
    if (!G_IS_SOCKET_CONNECTION(stream))
        return false;
    bool closed = g_dbus_connection_is_closed(connection_.get());
    const gulong handler =
        g_signal_connect(connection_.get(), "closed",
                         G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, gpointer data) {
                             *static_cast<bool*>(data) = true;
                         }),
                         &closed);
    bool expired = false;
    const GSourcePtr timer = Timer(context_.get(), options_.callBound, &expired);
    g_socket_shutdown(g_socket_connection_get_socket(G_SOCKET_CONNECTION(stream)), TRUE, TRUE,
                      nullptr);
    // The reader sees the end of the stream and posts "closed" to our context.
    while (!closed && !expired)
        g_main_context_iteration(context_.get(), TRUE);
    g_signal_handler_disconnect(connection_.get(), handler);
    return closed;
}

BusLink::Use::Use(BusLink& link) : link_(link), lock_(link.mutex_) {
    acquired_ = g_main_context_acquire(link_.context_.get());
    if (acquired_)
        g_main_context_push_thread_default(link_.context_.get());
}

BusLink::Use::~Use() {
    if (!acquired_)
        return;
    g_main_context_pop_thread_default(link_.context_.get());
    g_main_context_release(link_.context_.get());
}

BusLink::Answer BusLink::Await(const AsyncStart& start) {
    Batch batch(*this);
    batch.Start(start);
    return batch.CollectOne();
}

BusLink::Batch::Batch(BusLink& link)
    : context_(link.context_.get()), timer_(Timer(context_, link.options_.callBound, &expired_)) {}

BusLink::Batch::~Batch() {
    CancelOpen();
    Wait();
}

void BusLink::Batch::Start(const AsyncStart& start) {
    Pending& pending = pending_.emplace_back();
    auto finished = +[](GObject*, GAsyncResult* result, gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        pending->finished = true;
        if (pending->answer.status == S_OK)
            pending->answer.result = ShareGObject(result);
    };
    start(pending.cancellable.get(), finished, &pending);
}

std::vector<BusLink::Answer> BusLink::Batch::Collect() {
    Wait();
    std::vector<Answer> answers;
    for (Pending& pending : pending_)
        answers.push_back(std::move(pending.answer));
    return answers;
}

// Only what is open: a finished call's result is still to be finished by its
// caller, and would then read as cancelled. A call still open is a timeout,
// whatever its callback then says.
void BusLink::Batch::CancelOpen() {
    for (Pending& pending : pending_)
        if (!pending.finished && pending.answer.status != kTimeout) {
            pending.answer.status = kTimeout;
            g_cancellable_cancel(pending.cancellable.get());
        }
}

void BusLink::Batch::Wait() {
    bool cancelled = false;
    while (std::any_of(pending_.begin(), pending_.end(),
                       [](const Pending& p) { return !p.finished; })) {
        if (expired_ && !cancelled) {
            // The callbacks still come, with a cancellation error.
            CancelOpen();
            cancelled = true;
        }
        g_main_context_iteration(context_, TRUE);
    }
}

}  // namespace paravue::mm

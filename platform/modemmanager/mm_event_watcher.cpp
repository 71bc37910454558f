#include "platform/modemmanager/mm_event_watcher.h"

#include "platform/modemmanager/mm_glib.h"

#include <atomic>
#include <set>
#include <string>
#include <type_traits>

#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_interface.h"
#include "platform/modemmanager/mm_modem_reads.h"

namespace paravue::mm {

namespace {

// The event thread's reads, on its context: an object manager that follows the
// daemon, and objects read as asked, each time anew. Cancelling `stop` ends a
// set-up or a Follow under way at once.
class Follower final : public ModemReads {
  public:
    Follower(GMainContext* context, const ServiceOptions& options, GCancellable* stop)
        : link_(GMainContextPtr(g_main_context_ref(context)), options, stop) {}
    ~Follower() override {
        BusLink::Use use(link_);
        manager_.reset();
    }

    HRESULT Connect() {
        HRESULT hr = link_.Connect();
        link_.EndSetUp();  // the event thread lives long: the set-up's watchdog goes now
        return hr;
    }
    // Starts the object manager, again after a failure too: S_OK, or why the
    // daemon's objects could not be had in time (the timeout status for a
    // daemon that owns its name but does not answer).
    HRESULT Follow() {
        BusLink::Use use(link_);
        if (!use.Ok())
            return kWrongThread;
        // Started asynchronously, the object manager would start in a worker
        // thread and signal a context nobody runs: it starts here, on ours,
        // cancelled if the daemon does not answer in time. Without
        // DO_NOT_AUTO_START a missing daemon is activated, or waited for.
        ErrorSlot error;
        manager_.reset();
        const bool expired = link_.Bounded([&](GCancellable* cancellable) {
            manager_.reset(mm_manager_new_sync(link_.Connection(),
                                               G_DBUS_OBJECT_MANAGER_CLIENT_FLAGS_DO_NOT_AUTO_START,
                                               cancellable, error.Put()));
        });
        GErrorPtr failure = error.Take();
        if (manager_)
            return S_OK;
        return expired ? kTimeout : StatusFromError(failure.get());
    }
    MMManager* Manager() const { return manager_.get(); }
    GDBusConnection* Connection() const { return link_.Connection(); }

    BusLink& Link() override { return link_; }
    HRESULT ReadObject(GType type, const char* interface, const char* path,
                       GObjectPtr<GObject>* object) override {
        object->reset();
        GCharPtr owner(manager_ ? g_dbus_object_manager_client_get_name_owner(
                                      G_DBUS_OBJECT_MANAGER_CLIENT(manager_.get()))
                                : nullptr);
        if (!owner)
            return kServiceNotActive;
        return ReadNow(link_, {type, interface, path}, owner.get(), object);
    }

  private:
    BusLink link_;
    GObjectPtr<MMManager> manager_;
};

}  // namespace

struct EventWatcher::Loop {
    Loop(ServiceOptions o, EventPoints p) : options(std::move(o)), points(std::move(p)) {}

    GMainContextPtr context{g_main_context_new()};
    const ServiceOptions options;
    const EventPoints points;
    // Null while the bus cannot be reached; without a manager while the
    // daemon has not answered.
    std::shared_ptr<Follower> follower;
    // Read after every dispatch; a Stop from another thread wakes the context
    // and cancels `cancel`, which ends a set-up or a ping under way.
    std::atomic<bool> stop = false;
    GObjectPtr<GCancellable> cancel{g_cancellable_new()};
    // Cancelled once Start may return: by the thread, or by gio's worker
    // thread (see SeeListingLeave), which must touch nothing of ours but
    // glib's own objects.
    GObjectPtr<GCancellable> started{g_cancellable_new()};
    // The rest is touched only by the loop's thread.
    // Modems reported removed that the object manager still holds.
    std::set<std::string> reportedGone;
    // Following failed or was lost since it last worked (see Follow).
    bool lost = false;
    bool probing = false;  // a ping to a silent daemon is out
    GSourcePtr retry;
};

namespace {

using Loop = EventWatcher::Loop;

template <class Each>
void ForEachObject(GDBusObjectManager* manager, Each each) {
    GList* objects = g_dbus_object_manager_get_objects(manager);
    for (GList* item = objects; item; item = item->next)
        each(G_DBUS_OBJECT(item->data));
    g_list_free_full(objects, g_object_unref);
}

// Fires `event` with the object's modem as the view it takes, if the object
// is a modem with that view.
template <class Sink, class View>
void Deliver(Loop* loop, GDBusObject* object, HRESULT (Sink::*event)(View*)) {
    ModemRef modem = ModemFromObject(MM_OBJECT(object));
    ComPtr<View> view;
    if (!modem || FAILED(MakeComObject<MmInterface>(loop->follower, std::move(modem)).As(&view)))
        return;
    const ComPtr<ConnectionPoint>& point = std::is_same_v<Sink, IMbnInterfaceManagerEvents>
                                               ? loop->points.manager
                                               : loop->points.registration;
    point->Fire([&](IUnknown* sink) { (static_cast<Sink*>(sink)->*event)(view.Get()); });
}

// A registration or packet-service change of a modem's 3GPP interface, in
// the order the daemon announced them.
void OnPropertiesChanged(GDBusObjectManagerClient*, GDBusObjectProxy* object, GDBusProxy* proxy,
                         GVariant* changed, const gchar* const*, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    if (!MM_IS_MODEM_3GPP(proxy))
        return;
    GVariantIter iter;
    g_variant_iter_init(&iter, changed);
    const gchar* name = nullptr;
    while (g_variant_iter_next(&iter, "{&sv}", &name, nullptr)) {
        if (g_str_equal(name, "RegistrationState"))
            Deliver(loop, G_DBUS_OBJECT(object), &IMbnRegistrationEvents::OnRegisterStateChange);
        else if (g_str_equal(name, "PacketServiceState"))
            Deliver(loop, G_DBUS_OBJECT(object),
                    &IMbnRegistrationEvents::OnPacketServiceStateChange);
    }
}

void OnObjectAdded(GDBusObjectManager*, GDBusObject* object, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    loop->reportedGone.erase(g_dbus_object_get_object_path(object));
    Deliver(loop, object, &IMbnInterfaceManagerEvents::OnInterfaceArrival);
}

void OnObjectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    if (!loop->reportedGone.erase(g_dbus_object_get_object_path(object)))
        Deliver(loop, object, &IMbnInterfaceManagerEvents::OnInterfaceRemoval);
}

// Reports every modem the manager still holds as removed, each once: gio
// may drop the same objects later, and OnObjectRemoved then skips them.
void ReportHeldObjectsGone(Loop* loop, GDBusObjectManager* manager) {
    ForEachObject(manager, [&](GDBusObject* object) {
        if (loop->reportedGone.insert(g_dbus_object_get_object_path(object)).second)
            Deliver(loop, object, &IMbnInterfaceManagerEvents::OnInterfaceRemoval);
    });
}

// gio drops a daemon's objects when the daemon leaves, but not if it leaves
// before answering the listing that gio asks for when it appears: objects it
// announced meanwhile stay behind until the next daemon appears. Once no
// daemon owns the name, whatever the manager still holds is gone.
void OnNameOwner(GObject* manager, GParamSpec*, gpointer data) {
    GCharPtr owner(
        g_dbus_object_manager_client_get_name_owner(G_DBUS_OBJECT_MANAGER_CLIENT(manager)));
    if (!owner)
        ReportHeldObjectsGone(static_cast<Loop*>(data), G_DBUS_OBJECT_MANAGER(manager));
}

void OnInterfaceAdded(GDBusObjectManager*, GDBusObject* object, GDBusInterface* interface,
                      gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    // A modem announced while the manager's listing was under way is in the
    // listing, so gio adds its interfaces again instead of the object.
    if (MM_IS_MODEM(interface))
        Deliver(loop, object, &IMbnInterfaceManagerEvents::OnInterfaceArrival);
    if (MM_IS_MODEM_3GPP(interface))
        Deliver(loop, object, &IMbnRegistrationEvents::OnRegisterModeAvailable);
}

void ScheduleRetry(Loop* loop);

// The system bus itself went away (its daemon died or dropped us): the
// object manager says nothing of it, so every modem it knew leaves here,
// as when the ModemManager daemon dies. The bus is then asked for again.
void OnConnectionClosed(GDBusConnection*, gboolean, GError*, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    if (MMManager* manager = loop->follower->Manager())
        ReportHeldObjectsGone(loop, G_DBUS_OBJECT_MANAGER(manager));
    loop->lost = true;
    ScheduleRetry(loop);
}

// Sinks may keep the follower alive: its signals, which point at the loop, go.
void DropFollower(Loop* loop) {
    if (!loop->follower)
        return;
    g_signal_handlers_disconnect_by_data(loop->follower->Connection(), loop);
    if (MMManager* manager = loop->follower->Manager())
        g_signal_handlers_disconnect_by_data(manager, loop);
    loop->follower.reset();
}

// Connects to the system bus unless connected; false when it cannot be reached.
bool Connect(Loop* loop) {
    if (loop->follower && g_dbus_connection_is_closed(loop->follower->Connection()))
        DropFollower(loop);
    if (loop->follower)
        return true;
    auto follower =
        std::make_shared<Follower>(loop->context.get(), loop->options, loop->cancel.get());
    if (FAILED(follower->Connect()))
        return false;
    loop->follower = std::move(follower);
    g_signal_connect(loop->follower->Connection(), "closed", G_CALLBACK(OnConnectionClosed), loop);
    return true;
}

void OnProbed(GObject* bus, GAsyncResult* result, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    loop->probing = false;
    GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr));
    // Answered, refused, or the name lost its owner: the daemon is worth
    // asking again (after the pause, so that one that answers pings but not
    // listings is not asked in a busy loop).
    if (!loop->stop)
        ScheduleRetry(loop);
}

// A daemon that owns its name but did not list in time (stopped, or busy):
// a ping waits, without a bound, until it answers again or its name goes.
// Nothing waits for the ping; Stop cancels it.
void Probe(Loop* loop) {
    loop->probing = true;
    g_dbus_connection_call(loop->follower->Connection(), MM_DBUS_SERVICE, MM_DBUS_PATH,
                           "org.freedesktop.DBus.Peer", "Ping", nullptr, nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT, loop->cancel.get(), OnProbed,
                           loop);
}

void Follow(Loop* loop) {
    if (loop->follower->Manager())
        return;
    if (FAILED(loop->follower->Follow())) {
        loop->lost = true;
        if (g_dbus_connection_is_closed(loop->follower->Connection()))
            ScheduleRetry(loop);
        else if (!loop->stop)
            Probe(loop);
        return;
    }
    MMManager* manager = loop->follower->Manager();
    g_signal_connect(manager, "object-added", G_CALLBACK(OnObjectAdded), loop);
    g_signal_connect(manager, "object-removed", G_CALLBACK(OnObjectRemoved), loop);
    g_signal_connect(manager, "interface-added", G_CALLBACK(OnInterfaceAdded), loop);
    g_signal_connect(manager, "interface-proxy-properties-changed", G_CALLBACK(OnPropertiesChanged),
                     loop);
    g_signal_connect(manager, "notify::name-owner", G_CALLBACK(OnNameOwner), loop);
    // Back after a failure or a loss: each modem the daemon holds arrives, as
    // when the daemon starts, so the listeners rebuild from what is there now.
    if (std::exchange(loop->lost, false))
        ForEachObject(G_DBUS_OBJECT_MANAGER(manager), [&](GDBusObject* object) {
            OnObjectAdded(G_DBUS_OBJECT_MANAGER(manager), object, loop);
        });
}

gboolean OnRetry(gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    loop->retry.reset();
    if (loop->stop)
        return G_SOURCE_REMOVE;
    if (Connect(loop))
        Follow(loop);
    else
        ScheduleRetry(loop);
    return G_SOURCE_REMOVE;
}

// One try at a time, a second after the last one failed: the loop's own
// timer waits, not a sleep, so that Stop ends the wait at once.
void ScheduleRetry(Loop* loop) {
    if (loop->retry || loop->probing)
        return;
    loop->retry.reset(g_timeout_source_new(1000));
    g_source_set_callback(loop->retry.get(), OnRetry, loop, nullptr);
    g_source_attach(loop->retry.get(), loop->context.get());
}

// Runs on gio's worker thread for every message of the connection. Once the
// object manager's listing leaves, the manager hears every change the daemon
// announces from then on (its subscription is made before it lists), so
// Start need not wait for the answer: the window's first report does.
GDBusMessage* SeeListingLeave(GDBusConnection*, GDBusMessage* message, gboolean incoming,
                              gpointer started) {
    if (!incoming && g_dbus_message_get_message_type(message) == G_DBUS_MESSAGE_TYPE_METHOD_CALL &&
        g_strcmp0(g_dbus_message_get_member(message), "GetManagedObjects") == 0)
        g_cancellable_cancel(G_CANCELLABLE(started));
    return message;
}

void Run(const std::shared_ptr<Loop>& loop) {
    g_main_context_push_thread_default(loop->context.get());
    if (Connect(loop.get())) {
        // gio may still run the filter after its removal: the filter holds
        // its own reference until gio lets go of it.
        const guint filter =
            g_dbus_connection_add_filter(loop->follower->Connection(), SeeListingLeave,
                                         g_object_ref(loop->started.get()), g_object_unref);
        Follow(loop.get());
        g_dbus_connection_remove_filter(loop->follower->Connection(), filter);
    } else {
        loop->lost = true;
        ScheduleRetry(loop.get());
    }
    g_cancellable_cancel(loop->started.get());

    while (!loop->stop)
        g_main_context_iteration(loop->context.get(), TRUE);

    // The ping's callback writes into the loop: it comes, cancelled, before
    // the loop goes.
    g_cancellable_cancel(loop->cancel.get());
    while (loop->probing)
        g_main_context_iteration(loop->context.get(), TRUE);
    loop->retry.reset();
    DropFollower(loop.get());
    while (g_main_context_iteration(loop->context.get(), FALSE)) {
    }
    g_main_context_pop_thread_default(loop->context.get());
}

// Waits on the cancellable's descriptor, which glib wakes from any thread.
void WaitUntilCancelled(GCancellable* cancellable) {
    GPollFD fd;
    const bool pollable = g_cancellable_make_pollfd(cancellable, &fd);
    while (!g_cancellable_is_cancelled(cancellable)) {
        if (pollable)
            g_poll(&fd, 1, -1);
        else
            g_usleep(1000);  // out of descriptors: look again now and then
    }
    if (pollable)
        g_cancellable_release_fd(cancellable);
}

}  // namespace

EventWatcher::EventWatcher(ServiceOptions options, EventPoints points)
    : options_(std::move(options)), points_(std::move(points)) {}

EventWatcher::~EventWatcher() {
    Stop();
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        thread_.detach();
}

void EventWatcher::Start() {
    std::thread ended;
    {
        std::lock_guard lock(mutex_);
        if (thread_.joinable()) {
            // From inside an event the loop is still running: it just goes on.
            if (thread_.get_id() == std::this_thread::get_id()) {
                loop_->stop = false;
                return;
            }
            if (!loop_->stop)
                return;
            // Stopped from inside an event earlier: its thread is ending.
            ended = std::move(thread_);
            loop_.reset();
        }
    }
    if (ended.joinable())
        ended.join();

    auto loop = std::make_shared<Loop>(options_, points_);
    {
        std::lock_guard lock(mutex_);
        loop_ = loop;
        thread_ = std::thread([loop] { Run(loop); });
    }
    WaitUntilCancelled(loop->started.get());
}

void EventWatcher::Stop() {
    std::shared_ptr<Loop> loop;
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        loop = loop_;
        loop->stop = true;
        if (thread_.get_id() != std::this_thread::get_id()) {
            finished = std::move(thread_);
            loop_.reset();
        }
    }
    g_main_context_wakeup(loop->context.get());
    if (finished.joinable()) {
        // A set-up or a ping under way ends now rather than at the call bound.
        g_cancellable_cancel(loop->cancel.get());
        finished.join();
    }
}

}  // namespace paravue::mm

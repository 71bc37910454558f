#include "platform/modemmanager/mm_event_watcher.h"

#include "platform/modemmanager/mm_glib.h"

#include <atomic>
#include <condition_variable>
#include <set>
#include <string>

#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_interface.h"
#include "platform/modemmanager/mm_session.h"

namespace paravue::mm {

// Everything the thread uses, so that it can outlive the watcher when a
// handler destroys the watcher's owner.
struct EventWatcher::Loop {
    Loop(ServiceOptions o, EventHandlers h) : options(std::move(o)), handlers(std::move(h)) {}

    GMainContextPtr context{g_main_context_new()};
    const ServiceOptions options;
    const EventHandlers handlers;
    std::shared_ptr<Session> session;
    // Read by the loop after every dispatch; a Stop from another thread
    // wakes the context so the loop sees it.
    std::atomic<bool> stop = false;
    std::mutex mutex;
    std::condition_variable ready;
    bool started = false;
    // Modems already reported removed that the object manager still holds
    // (see ReportHeldObjectsGone); touched only by the loop's thread.
    std::set<std::string> reportedGone;
};

namespace {

using Loop = EventWatcher::Loop;

// Null when the object is no modem.
ComPtr<MmInterface> InterfaceFor(Loop* loop, GDBusObject* object) {
    ModemRef modem = ModemFromObject(MM_OBJECT(object));
    if (!modem)
        return ComPtr<MmInterface>();
    return MakeComObject<MmInterface>(loop->session, std::move(modem));
}

void DeliverRegistration(Loop* loop, GDBusObject* object,
                         const std::function<void(IMbnRegistration*)>& handler) {
    if (!handler)
        return;
    ComPtr<MmInterface> modem = InterfaceFor(loop, object);
    ComPtr<IMbnRegistration> registration;
    if (modem && SUCCEEDED(modem.As(&registration)))
        handler(registration.Get());
}

// The 3GPP proxy keeps a pointer back to its object for the handlers.
void OnRegistrationState(GObject* proxy, GParamSpec*, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    GDBusObject* object = g_dbus_interface_get_object(G_DBUS_INTERFACE(proxy));
    if (object)
        DeliverRegistration(loop, object, loop->handlers.registerState);
}

void OnPacketServiceState(GObject* proxy, GParamSpec*, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    GDBusObject* object = g_dbus_interface_get_object(G_DBUS_INTERFACE(proxy));
    if (object)
        DeliverRegistration(loop, object, loop->handlers.packetService);
}

void Watch3gpp(Loop* loop, GDBusInterface* gpp) {
    g_signal_connect(gpp, "notify::registration-state", G_CALLBACK(OnRegistrationState), loop);
    g_signal_connect(gpp, "notify::packet-service-state", G_CALLBACK(OnPacketServiceState), loop);
}

bool Is3gpp(GDBusInterface* interface) {
    return MM_IS_MODEM_3GPP(interface);
}

void OnObjectAdded(GDBusObjectManager*, GDBusObject* object, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    loop->reportedGone.erase(g_dbus_object_get_object_path(object));
    if (!mm_object_peek_modem(MM_OBJECT(object)))
        return;
    if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(object)))
        Watch3gpp(loop, G_DBUS_INTERFACE(gpp));
    if (loop->handlers.arrival)
        loop->handlers.arrival(InterfaceFor(loop, object).Get());
}

void OnObjectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(object)))
        g_signal_handlers_disconnect_by_data(gpp, loop);
    if (!mm_object_peek_modem(MM_OBJECT(object)))
        return;
    if (loop->reportedGone.erase(g_dbus_object_get_object_path(object)))
        return;
    if (loop->handlers.removal)
        loop->handlers.removal(InterfaceFor(loop, object).Get());
}

// Reports every modem the manager still holds as removed, each once: gio
// may drop the same objects later, and OnObjectRemoved then skips them.
void ReportHeldObjectsGone(Loop* loop, GDBusObjectManager* manager) {
    GList* objects = g_dbus_object_manager_get_objects(manager);
    for (GList* item = objects; item; item = item->next) {
        GDBusObject* object = G_DBUS_OBJECT(item->data);
        const char* path = g_dbus_object_get_object_path(object);
        if (loop->reportedGone.count(path))
            continue;
        OnObjectRemoved(manager, object, loop);
        loop->reportedGone.insert(path);
    }
    g_list_free_full(objects, g_object_unref);
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
    if (!Is3gpp(interface))
        return;
    Watch3gpp(loop, interface);
    DeliverRegistration(loop, object, loop->handlers.registerModeAvailable);
}

void OnInterfaceRemoved(GDBusObjectManager*, GDBusObject*, GDBusInterface* interface,
                        gpointer data) {
    if (Is3gpp(interface))
        g_signal_handlers_disconnect_by_data(interface, data);
}

GDBusConnection* ConnectionOf(MMManager* manager) {
    return g_dbus_object_manager_client_get_connection(G_DBUS_OBJECT_MANAGER_CLIENT(manager));
}

// The system bus itself went away (its daemon died or dropped us): the
// object manager says nothing of it, so every modem it knew leaves here,
// as when the ModemManager daemon dies.
void OnConnectionClosed(GDBusConnection*, gboolean, GError*, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    ReportHeldObjectsGone(loop, G_DBUS_OBJECT_MANAGER(loop->session->Manager()));
}

void Unwatch(Loop* loop, MMManager* manager) {
    g_signal_handlers_disconnect_by_data(ConnectionOf(manager), loop);
    g_signal_handlers_disconnect_by_data(manager, loop);
    GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager));
    for (GList* item = objects; item; item = item->next) {
        if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(item->data)))
            g_signal_handlers_disconnect_by_data(gpp, loop);
    }
    g_list_free_full(objects, g_object_unref);
}

void Run(const std::shared_ptr<Loop>& loop) {
    g_main_context_push_thread_default(loop->context.get());
    // A bus that cannot be reached leaves nothing to watch; the loop still
    // runs so that Stop has one way to end it.
    if (SUCCEEDED(Session::OpenOn(loop->context.get(), loop->options, &loop->session)) &&
        loop->session->Manager()) {
        MMManager* manager = loop->session->Manager();
        g_signal_connect(manager, "object-added", G_CALLBACK(OnObjectAdded), loop.get());
        g_signal_connect(manager, "object-removed", G_CALLBACK(OnObjectRemoved), loop.get());
        g_signal_connect(manager, "interface-added", G_CALLBACK(OnInterfaceAdded), loop.get());
        g_signal_connect(manager, "interface-removed", G_CALLBACK(OnInterfaceRemoved), loop.get());
        g_signal_connect(manager, "notify::name-owner", G_CALLBACK(OnNameOwner), loop.get());
        g_signal_connect(ConnectionOf(manager), "closed", G_CALLBACK(OnConnectionClosed),
                         loop.get());
        GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager));
        for (GList* item = objects; item; item = item->next)
            if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(item->data)))
                Watch3gpp(loop.get(), G_DBUS_INTERFACE(gpp));
        g_list_free_full(objects, g_object_unref);
    }
    {
        std::lock_guard lock(loop->mutex);
        loop->started = true;
    }
    loop->ready.notify_all();

    while (!loop->stop)
        g_main_context_iteration(loop->context.get(), TRUE);

    if (loop->session && loop->session->Manager())
        Unwatch(loop.get(), loop->session->Manager());
    loop->session.reset();
    while (g_main_context_iteration(loop->context.get(), FALSE)) {
    }
    g_main_context_pop_thread_default(loop->context.get());
}

}  // namespace

EventWatcher::EventWatcher(ServiceOptions options, EventHandlers handlers)
    : options_(std::move(options)), handlers_(std::move(handlers)) {}

EventWatcher::~EventWatcher() {
    Stop();
    // Destroyed from inside a handler: the thread holds its state and ends
    // by itself once the handler returns.
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        thread_.detach();
}

void EventWatcher::Start() {
    std::thread ended;
    {
        std::lock_guard lock(mutex_);
        if (thread_.joinable()) {
            // From inside a handler the loop is still running: it just goes on.
            if (thread_.get_id() == std::this_thread::get_id()) {
                loop_->stop = false;
                return;
            }
            if (!loop_->stop)
                return;
            // Stopped from inside a handler earlier: its thread is ending.
            ended = std::move(thread_);
            loop_.reset();
        }
    }
    if (ended.joinable())
        ended.join();

    auto loop = std::make_shared<Loop>(options_, handlers_);
    {
        std::lock_guard lock(mutex_);
        loop_ = loop;
        thread_ = std::thread([loop] { Run(loop); });
    }
    std::unique_lock ready(loop->mutex);
    loop->ready.wait(ready, [&] { return loop->started; });
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
    // From inside a handler the loop sees the flag once the handler returns.
    g_main_context_wakeup(loop->context.get());
    if (finished.joinable())
        finished.join();
}

}  // namespace paravue::mm

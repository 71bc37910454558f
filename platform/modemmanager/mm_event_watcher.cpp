#include "platform/modemmanager/mm_event_watcher.h"

#include "platform/modemmanager/mm_glib.h"

#include <condition_variable>

#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_interface.h"
#include "platform/modemmanager/mm_session.h"

namespace paravue::mm {

struct EventWatcher::Loop {
    GMainContextPtr context{g_main_context_new()};
    GMainLoopPtr mainLoop{g_main_loop_new(context.get(), FALSE)};
    std::shared_ptr<Session> session;
    const EventHandlers* handlers = nullptr;
    std::mutex mutex;
    std::condition_variable ready;
    bool started = false;
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
        DeliverRegistration(loop, object, loop->handlers->registerState);
}

void OnPacketServiceState(GObject* proxy, GParamSpec*, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    GDBusObject* object = g_dbus_interface_get_object(G_DBUS_INTERFACE(proxy));
    if (object)
        DeliverRegistration(loop, object, loop->handlers->packetService);
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
    if (!mm_object_peek_modem(MM_OBJECT(object)))
        return;
    if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(object)))
        Watch3gpp(loop, G_DBUS_INTERFACE(gpp));
    if (loop->handlers->arrival)
        loop->handlers->arrival(InterfaceFor(loop, object).Get());
}

void OnObjectRemoved(GDBusObjectManager*, GDBusObject* object, gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(object)))
        g_signal_handlers_disconnect_by_data(gpp, loop);
    if (!mm_object_peek_modem(MM_OBJECT(object)))
        return;
    if (loop->handlers->removal)
        loop->handlers->removal(InterfaceFor(loop, object).Get());
}

void OnInterfaceAdded(GDBusObjectManager*, GDBusObject* object, GDBusInterface* interface,
                      gpointer data) {
    auto* loop = static_cast<Loop*>(data);
    if (!Is3gpp(interface))
        return;
    Watch3gpp(loop, interface);
    DeliverRegistration(loop, object, loop->handlers->registerModeAvailable);
}

void OnInterfaceRemoved(GDBusObjectManager*, GDBusObject*, GDBusInterface* interface,
                        gpointer data) {
    if (Is3gpp(interface))
        g_signal_handlers_disconnect_by_data(interface, data);
}

void Unwatch(Loop* loop, MMManager* manager) {
    g_signal_handlers_disconnect_by_data(manager, loop);
    GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager));
    for (GList* item = objects; item; item = item->next) {
        if (MMModem3gpp* gpp = mm_object_peek_modem_3gpp(MM_OBJECT(item->data)))
            g_signal_handlers_disconnect_by_data(gpp, loop);
    }
    g_list_free_full(objects, g_object_unref);
}

gboolean QuitLoop(gpointer data) {
    g_main_loop_quit(static_cast<GMainLoop*>(data));
    return G_SOURCE_REMOVE;
}

}  // namespace

EventWatcher::EventWatcher(ServiceOptions options, EventHandlers handlers)
    : options_(std::move(options)), handlers_(std::move(handlers)) {}

EventWatcher::~EventWatcher() {
    Stop();
}

void EventWatcher::Start() {
    std::unique_lock lock(mutex_);
    if (thread_.joinable()) {
        // Stopped from inside a handler: the thread has ended or is ending.
        if (!stopRequested_ || thread_.get_id() == std::this_thread::get_id())
            return;
        thread_.join();
    }
    stopRequested_ = false;
    auto loop = std::make_shared<Loop>();
    loop->handlers = &handlers_;
    loop_ = loop;
    thread_ = std::thread([this, loop] { Run(loop); });
    std::unique_lock ready(loop->mutex);
    loop->ready.wait(ready, [&] { return loop->started; });
}

void EventWatcher::Run(std::shared_ptr<Loop> loop) {
    g_main_context_push_thread_default(loop->context.get());
    // A bus that cannot be reached leaves nothing to watch; the loop still
    // runs so that Stop has one way to end it.
    if (SUCCEEDED(Session::OpenOn(loop->context.get(), options_, &loop->session)) &&
        loop->session->Manager()) {
        MMManager* manager = loop->session->Manager();
        g_signal_connect(manager, "object-added", G_CALLBACK(OnObjectAdded), loop.get());
        g_signal_connect(manager, "object-removed", G_CALLBACK(OnObjectRemoved), loop.get());
        g_signal_connect(manager, "interface-added", G_CALLBACK(OnInterfaceAdded), loop.get());
        g_signal_connect(manager, "interface-removed", G_CALLBACK(OnInterfaceRemoved), loop.get());
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

    g_main_loop_run(loop->mainLoop.get());

    if (loop->session && loop->session->Manager())
        Unwatch(loop.get(), loop->session->Manager());
    loop->session.reset();
    while (g_main_context_iteration(loop->context.get(), FALSE)) {
    }
    g_main_context_pop_thread_default(loop->context.get());
}

void EventWatcher::Stop() {
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        // Quit from inside the loop: the loop may be between checks right now.
        g_main_context_invoke(loop_->context.get(), QuitLoop, loop_->mainLoop.get());
        stopRequested_ = true;
        if (thread_.get_id() == std::this_thread::get_id())
            return;
        finished = std::move(thread_);
        loop_.reset();
    }
    finished.join();
}

}  // namespace paravue::mm

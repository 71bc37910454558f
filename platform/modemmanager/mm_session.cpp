#include "platform/modemmanager/mm_session.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_facts.h"

namespace paravue::mm {
namespace {

struct Pending {
    GAsyncResult* result = nullptr;  // one reference, taken over by AwaitAll
    const bool* expired = nullptr;
    bool late = false;  // finished after the bound: a timeout, whatever it says
};

void OnFinished(GObject*, GAsyncResult* result, gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    pending->result = G_ASYNC_RESULT(g_object_ref(result));
    pending->late = *pending->expired;
}

gboolean OnExpired(gpointer data) {
    *static_cast<bool*>(data) = true;
    return G_SOURCE_REMOVE;
}

struct SourceDestroy {
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

// Cancels a blocking call from another thread once the bound has passed.
// A socket handed to it is shut down too: the bus's Hello, which connection
// set-up sends without a cancellable, then fails at once.
class Watchdog {
  public:
    Watchdog(GCancellable* cancellable, std::chrono::milliseconds bound, bool* expired)
        : thread_([this, cancellable, bound, expired] {
              GSocket* socket = nullptr;
              {
                  std::unique_lock lock(mutex_);
                  if (done_.wait_for(lock, bound, [this] { return finished_; }))
                      return;
                  socket = socket_;
              }
              *expired = true;
              g_cancellable_cancel(cancellable);
              if (socket)
                  g_socket_shutdown(socket, TRUE, TRUE, nullptr);
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    // `socket` must outlive the watchdog.
    void AlsoShutDown(GSocket* socket) {
        std::lock_guard lock(mutex_);
        socket_ = socket;
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    GSocket* socket_ = nullptr;
    std::thread thread_;
};

}  // namespace

Session::Session(Key, GMainContextPtr context, const ServiceOptions& options, bool follows)
    : options_(options), follows_(follows), context_(std::move(context)) {}

HRESULT Session::Open(const ServiceOptions& options, std::shared_ptr<Session>* session) {
    auto fresh =
        std::make_shared<Session>(Key{}, GMainContextPtr(g_main_context_new()), options, false);
    if (HRESULT hr = fresh->Connect(); FAILED(hr))
        return hr;
    *session = std::move(fresh);
    return S_OK;
}

HRESULT Session::OpenOn(GMainContext* context, const ServiceOptions& options,
                        std::shared_ptr<Session>* session) {
    auto fresh = std::make_shared<Session>(Key{}, GMainContextPtr(g_main_context_ref(context)),
                                           options, true);
    if (HRESULT hr = fresh->Connect(); FAILED(hr))
        return hr;
    *session = std::move(fresh);
    return S_OK;
}

HRESULT Session::Connect() {
    Use use(*this);
    if (!use.Ok())
        return kWrongThread;
    ErrorSlot error;
    GCharPtr address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, error.Put()));
    if (!address)
        return CO_E_SERVER_EXEC_FAILURE;

    if (HRESULT hr = ConnectBounded(address.get()); FAILED(hr))
        return hr;
    g_dbus_connection_set_exit_on_close(connection_.get(), FALSE);
    if (follows_)
        StartManager();
    else
        ListObjects();
    return S_OK;
}

HRESULT Session::ConnectBounded(const char* address) {
    // Connects on this thread under a watchdog rather than asynchronously:
    // gio would run the set-up in a worker thread that must first be
    // scheduled, which on a busy machine costs a run more than its calls.
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    bool expired = false;
    ErrorSlot error;
    GObjectPtr<GIOStream> stream;
    Watchdog watchdog(cancellable.get(), options_.callBound, &expired);
    stream.reset(g_dbus_address_get_stream_sync(address, nullptr, cancellable.get(), error.Put()));
    if (!stream)
        return CO_E_SERVER_EXEC_FAILURE;
    if (G_IS_SOCKET_CONNECTION(stream.get()))
        watchdog.AlsoShutDown(g_socket_connection_get_socket(G_SOCKET_CONNECTION(stream.get())));
    connection_.reset(g_dbus_connection_new_sync(
        stream.get(), nullptr,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable.get(), error.Put()));
    return connection_ ? S_OK : CO_E_SERVER_EXEC_FAILURE;
}

void Session::StartManager() {
    // The object manager has no asynchronous start of its own: started
    // asynchronously it would start in a worker thread and deliver its
    // signals to a context nobody runs. So it starts here, on our context,
    // and a watchdog cancels it when the daemon does not answer in time.
    // Without DO_NOT_AUTO_START a missing daemon is activated, or waited for.
    ErrorSlot error;
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    bool expired = false;
    {
        Watchdog watchdog(cancellable.get(), options_.callBound, &expired);
        manager_.reset(mm_manager_new_sync(connection_.get(),
                                           G_DBUS_OBJECT_MANAGER_CLIENT_FLAGS_DO_NOT_AUTO_START,
                                           cancellable.get(), error.Put()));
    }
    GErrorPtr failure = error.Take();
    if (!manager_)
        listStatus_ = expired ? kTimeout : StatusFromError(failure.get());
}

void Session::ListObjects() {
    // A plain GetManagedObjects rather than libmm-glib's object manager: a run
    // waits for no signal, and the manager would cost a name-owner look-up and
    // three match rules before it lists anything. Its reply names the daemon's
    // unique name, which every later call of the run goes to.
    GObjectPtr<GDBusMessage> call(g_dbus_message_new_method_call(
        MM_DBUS_SERVICE, MM_DBUS_PATH, "org.freedesktop.DBus.ObjectManager", "GetManagedObjects"));
    g_dbus_message_set_flags(call.get(), G_DBUS_MESSAGE_FLAGS_NO_AUTO_START);
    GObjectPtr<GAsyncResult> result;
    listStatus_ = Await(
        [&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
            g_dbus_connection_send_message_with_reply(connection_.get(), call.get(),
                                                      G_DBUS_SEND_MESSAGE_FLAGS_NONE, -1, nullptr,
                                                      cancellable, done, data);
        },
        &result);
    if (FAILED(listStatus_))
        return;
    ErrorSlot error;
    GObjectPtr<GDBusMessage> reply(g_dbus_connection_send_message_with_reply_finish(
        connection_.get(), result.get(), error.Put()));
    if (!reply || g_dbus_message_to_gerror(reply.get(), error.Put())) {
        listStatus_ = StatusFromError(error.Take().get());
        return;
    }
    GVariant* body = g_dbus_message_get_body(reply.get());
    const char* owner = g_dbus_message_get_sender(reply.get());
    if (!owner || !body || !g_variant_is_of_type(body, G_VARIANT_TYPE("(a{oa{sa{sv}}})"))) {
        listStatus_ = E_MBN_FAILURE;
        return;
    }
    owner_ = owner;
    GVariantPtr objects(g_variant_get_child_value(body, 0));
    GVariantIter iter;
    g_variant_iter_init(&iter, objects.get());
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        GVariantPtr owned(interfaces);
        if (ModemRef modem = ModemFromListing(connection_.get(), owner, path, interfaces))
            modems_.push_back(std::move(modem));
    }
    std::stable_sort(modems_.begin(), modems_.end(), [](const auto& a, const auto& b) {
        return ModemPathNumber(a->path.c_str()) < ModemPathNumber(b->path.c_str());
    });
}

Session::~Session() {
    Use use(*this);
    read_.clear();
    modems_.clear();
    manager_.reset();
    if (connection_ && !(use.Ok() && HangUp()))
        g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
    connection_.reset();
    if (use.Ok())
        while (g_main_context_iteration(context_.get(), FALSE)) {
        }
}

bool Session::HangUp() {
    // Closing the connection cancels gio's reader from this thread while the
    // reader's thread may be disposing its socket source; gio then keeps that
    // source for good (about 120 bytes and a slot on the reader's context per
    // connection, so a window that rebuilds on every event grows without
    // bound). Shutting the socket down instead ends the reader on its own
    // thread, with nothing left to cancel when the connection goes.
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
    std::unique_ptr<GSource, SourceDestroy> timer(
        g_timeout_source_new(static_cast<guint>(options_.callBound.count())));
    g_source_set_callback(timer.get(), OnExpired, &expired, nullptr);
    g_source_attach(timer.get(), context_.get());
    g_socket_shutdown(g_socket_connection_get_socket(G_SOCKET_CONNECTION(stream)), TRUE, TRUE,
                      nullptr);
    // The reader sees the end of the stream and posts "closed" to our context.
    while (!closed && !expired)
        g_main_context_iteration(context_.get(), TRUE);
    g_signal_handler_disconnect(connection_.get(), handler);
    return closed;
}

Session::Use::Use(Session& session) : session_(session), lock_(session.mutex_) {
    acquired_ = g_main_context_acquire(session_.context_.get());
    if (acquired_)
        g_main_context_push_thread_default(session_.context_.get());
}

Session::Use::~Use() {
    if (!acquired_)
        return;
    g_main_context_pop_thread_default(session_.context_.get());
    g_main_context_release(session_.context_.get());
}

HRESULT Session::Await(const AsyncStart& start, GObjectPtr<GAsyncResult>* result) {
    std::vector<HRESULT> statuses;
    std::vector<GObjectPtr<GAsyncResult>> results;
    AwaitAll({start}, &statuses, &results);
    *result = std::move(results.front());
    return statuses.front();
}

void Session::AwaitAll(const std::vector<AsyncStart>& starts, std::vector<HRESULT>* statuses,
                       std::vector<GObjectPtr<GAsyncResult>>* results) {
    // All calls start together, so one timer bounds each of them.
    std::vector<Pending> pending(starts.size());
    bool expired = false;
    std::unique_ptr<GSource, SourceDestroy> timer(
        g_timeout_source_new(static_cast<guint>(options_.callBound.count())));
    g_source_set_callback(timer.get(), OnExpired, &expired, nullptr);
    g_source_attach(timer.get(), context_.get());

    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        pending[i].expired = &expired;
        starts[i](cancellable.get(), OnFinished, &pending[i]);
    }
    auto open = [&] {
        return std::any_of(pending.begin(), pending.end(),
                           [](const Pending& p) { return !p.result; });
    };
    bool cancelled = false;
    while (open()) {
        if (expired && !cancelled) {
            // The callbacks still come, with a cancellation error; wait for
            // them so nothing writes to `pending` after we return.
            g_cancellable_cancel(cancellable.get());
            cancelled = true;
        }
        g_main_context_iteration(context_.get(), TRUE);
    }
    statuses->assign(starts.size(), S_OK);
    results->clear();
    for (std::size_t i = 0; i < starts.size(); ++i) {
        GObjectPtr<GAsyncResult> finished(pending[i].result);
        if (pending[i].late) {
            (*statuses)[i] = kTimeout;
            results->emplace_back();
        } else {
            results->push_back(std::move(finished));
        }
    }
}

HRESULT Session::Modems(std::vector<ModemRef>* modems) {
    modems->clear();
    if (FAILED(listStatus_))
        return listStatus_;
    if (!follows_) {
        *modems = modems_;
        return S_OK;
    }
    // Let the manager take in what arrived or left since the last call.
    while (g_main_context_iteration(context_.get(), FALSE)) {
    }
    if (Owner().empty())
        return kServiceNotActive;
    GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager_.get()));
    for (GList* item = objects; item; item = item->next) {
        if (ModemRef modem = ModemFromObject(MM_OBJECT(item->data)))
            modems->push_back(std::move(modem));
    }
    g_list_free_full(objects, g_object_unref);
    std::stable_sort(modems->begin(), modems->end(), [](const auto& a, const auto& b) {
        return ModemPathNumber(a->path.c_str()) < ModemPathNumber(b->path.c_str());
    });
    return S_OK;
}

std::string Session::Owner() const {
    if (!follows_)
        return owner_;
    if (!manager_)
        return {};
    GCharPtr owner(
        g_dbus_object_manager_client_get_name_owner(G_DBUS_OBJECT_MANAGER_CLIENT(manager_.get())));
    return owner ? owner.get() : "";
}

Session::AsyncStart Session::StartRead(GType type, const char* interface, const char* path,
                                       std::string owner) {
    // A libmm-glib proxy for the typed accessors, loading its properties with
    // one GetAll from the daemon's unique name: no name-owner look-up, no
    // signal subscription, no match rule.
    return [this, type, interface, path = std::string(path), owner = std::move(owner)](
               GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
        g_async_initable_new_async(type, G_PRIORITY_DEFAULT, cancellable, done, data,
                                   "g-connection", connection_.get(), "g-name", owner.c_str(),
                                   "g-object-path", path.c_str(), "g-interface-name", interface,
                                   "g-flags", kQuietProxy, nullptr);
    };
}

HRESULT Session::FinishRead(HRESULT status, GAsyncResult* result, GObjectPtr<GObject>* object) {
    if (FAILED(status))
        return status;
    ErrorSlot error;
    GObjectPtr<GObject> source(g_async_result_get_source_object(result));
    GObjectPtr<GObject> proxy(
        g_async_initable_new_finish(G_ASYNC_INITABLE(source.get()), result, error.Put()));
    if (!proxy)
        return StatusFromError(error.Take().get());
    // The proxy swallows a failed GetAll and comes up empty: the daemon went,
    // or no longer serves the object.
    if (!ProxyLoaded(proxy.get()))
        return kServiceNotActive;
    *object = std::move(proxy);
    return S_OK;
}

const ModemObject* Session::ModemHolding(const char* path) const {
    for (const ModemRef& modem : modems_) {
        MMModem* m = modem->modem.get();
        if (HasSim(m) && g_strcmp0(mm_modem_get_sim_path(m), path) == 0)
            return modem.get();
        if (const gchar* const* bearers = mm_modem_get_bearer_paths(m))
            for (; *bearers; ++bearers)
                if (g_strcmp0(*bearers, path) == 0)
                    return modem.get();
    }
    return nullptr;
}

void Session::ReadAhead(const ModemObject& modem) {
    // A report reads a modem's SIM, its profile list and its bearers, each
    // with one call to the daemon. Sent together on the run's connection
    // they cost one wait for the daemon instead of one each. Once per modem
    // and run; the event thread's session reads as it is asked.
    if (follows_ || owner_.empty() ||
        std::find(readAhead_.begin(), readAhead_.end(), modem.path) != readAhead_.end())
        return;
    readAhead_.push_back(modem.path);
    std::vector<std::string> paths;  // what each call reads; the list goes last
    std::vector<AsyncStart> starts;
    MMModem* m = modem.modem.get();
    auto read = [&](GType type, const char* interface, const char* path) {
        if (read_.count(path))
            return;
        paths.emplace_back(path);
        starts.push_back(StartRead(type, interface, path, owner_));
    };
    if (HasSim(m))
        read(MM_TYPE_SIM, MM_DBUS_INTERFACE_SIM, mm_modem_get_sim_path(m));
    if (const gchar* const* bearers = mm_modem_get_bearer_paths(m))
        for (; *bearers; ++bearers)
            read(MM_TYPE_BEARER, MM_DBUS_INTERFACE_BEARER, *bearers);
    MMModem3gppProfileManager* profiles = modem.profiles.get();
    if (profiles)
        starts.push_back(
            [profiles](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
                mm_modem_3gpp_profile_manager_list(profiles, cancellable, done, data);
            });
    std::vector<HRESULT> statuses;
    std::vector<GObjectPtr<GAsyncResult>> results;
    AwaitAll(starts, &statuses, &results);
    // Every result is finished here: an unfinished one would keep what its
    // call allocated.
    for (std::size_t i = 0; i < paths.size(); ++i) {
        GObjectPtr<GObject> proxy;
        if (HRESULT hr = FinishRead(statuses[i], results[i].get(), &proxy); FAILED(hr))
            ahead_[paths[i]].status = hr;
        else
            read_.emplace(paths[i], std::move(proxy));
    }
    if (profiles) {
        Ahead& listed = ahead_[modem.path];
        listed.status =
            FinishList(profiles, statuses.back(), results.back().get(), &listed.profiles);
    }
}

HRESULT Session::FinishList(MMModem3gppProfileManager* manager, HRESULT status,
                            GAsyncResult* result,
                            std::vector<GObjectPtr<MM3gppProfile>>* profiles) {
    if (FAILED(status))
        return status;
    ErrorSlot error;
    GList* list = nullptr;
    if (!mm_modem_3gpp_profile_manager_list_finish(manager, result, &list, error.Put()))
        return StatusFromError(error.Take().get());
    for (GList* item = list; item; item = item->next)
        profiles->emplace_back(MM_3GPP_PROFILE(item->data));  // takes the list's reference
    g_list_free(list);
    return S_OK;
}

HRESULT Session::ReadObject(GType type, const char* interface, const char* path,
                            GObjectPtr<GObject>* object) {
    object->reset();
    if (!follows_) {
        if (const ModemObject* modem = ModemHolding(path))
            ReadAhead(*modem);
        if (auto known = read_.find(path); known != read_.end()) {
            *object = ShareGObject(known->second.get());
            return S_OK;
        }
        // A failed read-ahead stands for this read; the next one asks again.
        if (auto failed = ahead_.find(path); failed != ahead_.end()) {
            HRESULT status = failed->second.status;
            ahead_.erase(failed);
            return status;
        }
    }
    std::string owner = Owner();
    if (owner.empty())
        return kServiceNotActive;
    GObjectPtr<GAsyncResult> result;
    HRESULT status = Await(StartRead(type, interface, path, std::move(owner)), &result);
    GObjectPtr<GObject> proxy;
    if (HRESULT hr = FinishRead(status, result.get(), &proxy); FAILED(hr))
        return hr;
    if (!follows_)
        read_.emplace(path, ShareGObject(proxy.get()));
    *object = std::move(proxy);
    return S_OK;
}

HRESULT Session::ListProfiles(const ModemObject& modem,
                              std::vector<GObjectPtr<MM3gppProfile>>* profiles) {
    profiles->clear();
    if (!follows_)
        ReadAhead(modem);
    if (auto ahead = ahead_.find(modem.path); ahead != ahead_.end()) {
        HRESULT status = ahead->second.status;
        *profiles = std::move(ahead->second.profiles);
        ahead_.erase(ahead);
        return status;
    }
    MMModem3gppProfileManager* manager = modem.profiles.get();
    GObjectPtr<GAsyncResult> result;
    HRESULT status = Await(
        [manager](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
            mm_modem_3gpp_profile_manager_list(manager, cancellable, done, data);
        },
        &result);
    return FinishList(manager, status, result.get(), profiles);
}

HRESULT Session::ReadSim(const char* path, GObjectPtr<MMSim>* sim) {
    GObjectPtr<GObject> object;
    HRESULT hr = ReadObject(MM_TYPE_SIM, MM_DBUS_INTERFACE_SIM, path, &object);
    sim->reset(SUCCEEDED(hr) ? MM_SIM(object.release()) : nullptr);
    return hr;
}

HRESULT Session::ReadBearer(const char* path, GObjectPtr<MMBearer>* bearer) {
    GObjectPtr<GObject> object;
    HRESULT hr = ReadObject(MM_TYPE_BEARER, MM_DBUS_INTERFACE_BEARER, path, &object);
    bearer->reset(SUCCEEDED(hr) ? MM_BEARER(object.release()) : nullptr);
    return hr;
}

}  // namespace paravue::mm

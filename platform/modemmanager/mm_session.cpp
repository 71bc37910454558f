#include "platform/modemmanager/mm_session.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <thread>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_facts.h"

namespace paravue::mm {
namespace {

struct Pending {
    // The call's own: cancelling it leaves the other calls' results as they
    // are (gio reports any result whose cancellable was cancelled as
    // cancelled, even one that had answered).
    GObjectPtr<GCancellable> cancellable;
    bool finished = false;
    GObjectPtr<GAsyncResult> result;  // until collected
    bool late = false;  // still open at the bound, so cancelled: a timeout, whatever it says
};

void OnFinished(GObject*, GAsyncResult* result, gpointer data) {
    auto* pending = static_cast<Pending*>(data);
    pending->finished = true;
    pending->result = ShareGObject(result);
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

constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

// While it lives, cancelling `source` (when there is one) cancels `target` too.
class CancelLink {
  public:
    CancelLink(GCancellable* source, GCancellable* target) : source_(source) {
        if (source_)
            id_ = g_cancellable_connect(source_, G_CALLBACK(Forward), target, nullptr);
    }
    ~CancelLink() {
        if (source_)
            g_cancellable_disconnect(source_, id_);
    }
    CancelLink(const CancelLink&) = delete;
    CancelLink& operator=(const CancelLink&) = delete;

  private:
    static void Forward(GCancellable*, gpointer target) {
        g_cancellable_cancel(G_CANCELLABLE(target));
    }
    GCancellable* const source_;
    gulong id_ = 0;
};

Session::AsyncStart ListingProfiles(MMModem3gppProfileManager* manager) {
    return [manager](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
        mm_modem_3gpp_profile_manager_list(manager, cancellable, done, data);
    };
}

Session::AsyncStart ListingConnections(GDBusConnection* bus) {
    return [bus](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
        StartListingConnections(bus, cancellable, done, data);
    };
}

}  // namespace

// Cancels a blocking call from another thread once the bound has passed.
// A socket handed to it is shut down too: the bus's Hello, which connection
// set-up sends without a cancellable, then fails at once.
class Session::Watchdog {
  public:
    Watchdog(GCancellable* cancellable, std::chrono::milliseconds bound)
        : thread_([this, cancellable, bound] {
              std::unique_lock lock(mutex_);
              if (changed_.wait_for(lock, bound, [this] { return stopped_; }))
                  return;
              fired_ = true;
              firing_ = true;
              GSocket* socket = socket_;
              lock.unlock();
              g_cancellable_cancel(cancellable);
              if (socket)
                  g_socket_shutdown(socket, TRUE, TRUE, nullptr);
              lock.lock();
              firing_ = false;
              lock.unlock();
              changed_.notify_all();
          }) {}
    ~Watchdog() {
        Stop();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // `socket` must outlive Stop().
    void AlsoShutDown(GSocket* socket) {
        std::lock_guard lock(mutex_);
        socket_ = socket;
    }
    // Ends the watch and says whether the bound had passed. A firing under
    // way finishes first: nothing is cancelled or shut down once this
    // returns. The thread then ends on its own; the destructor joins it.
    bool Stop() {
        bool fired = false;
        {
            std::unique_lock lock(mutex_);
            stopped_ = true;
            changed_.wait(lock, [this] { return !firing_; });
            fired = fired_;
        }
        changed_.notify_all();
        return fired;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    bool firing_ = false;
    bool fired_ = false;
    GSocket* socket_ = nullptr;
    std::thread thread_;  // last: it starts once the rest is ready
};

// Calls sent together on the session's one connection and collected
// together, on the session's context. One timer bounds them all, counted from
// when the batch began; each call keeps its own outcome, so one that answered
// in time is used even when another of the batch did not. A batch dropped
// before it is collected cancels what is still open and waits for the
// callbacks, which write into it. Start, collect and drop it inside a Use.
class Session::Batch {
  public:
    explicit Batch(Session& session)
        : context_(session.context_.get()),
          timer_(g_timeout_source_new(static_cast<guint>(session.options_.callBound.count()))) {
        g_source_set_callback(timer_.get(), OnExpired, &expired_, nullptr);
        g_source_attach(timer_.get(), context_);
    }
    ~Batch() {
        CancelOpen();
        Wait();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    void Start(const AsyncStart& start) {
        Pending& pending = pending_.emplace_back();
        pending.cancellable.reset(g_cancellable_new());
        start(pending.cancellable.get(), OnFinished, &pending);
    }

    // Waits for every call; statuses[i] and results[i] are what the i-th
    // call gave: S_OK with its result for its _finish function, or the
    // timeout status with none when it had not answered by the bound.
    void Collect(std::vector<HRESULT>* statuses, std::vector<GObjectPtr<GAsyncResult>>* results) {
        Wait();
        statuses->assign(pending_.size(), S_OK);
        results->clear();
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            if (pending_[i].late) {
                (*statuses)[i] = kTimeout;
                results->emplace_back();
            } else {
                results->push_back(std::move(pending_[i].result));
            }
        }
    }
    HRESULT CollectOne(GObjectPtr<GAsyncResult>* result) {
        std::vector<HRESULT> statuses;
        std::vector<GObjectPtr<GAsyncResult>> results;
        Collect(&statuses, &results);
        *result = std::move(results.front());
        return statuses.front();
    }

  private:
    bool Open() const {
        return std::any_of(pending_.begin(), pending_.end(),
                           [](const Pending& p) { return !p.finished; });
    }
    // Only what is open: a finished call's result is still to be finished by
    // its caller, and would then read as cancelled. What has answered when
    // the batch looks is used: a batch collected late finds its answers
    // waiting behind its timer.
    void CancelOpen() {
        for (Pending& pending : pending_)
            if (!pending.finished) {
                pending.late = true;
                g_cancellable_cancel(pending.cancellable.get());
            }
    }
    void Wait() {
        bool cancelled = false;
        while (Open()) {
            if (expired_ && !cancelled) {
                // The callbacks still come, with a cancellation error.
                CancelOpen();
                cancelled = true;
            }
            g_main_context_iteration(context_, TRUE);
        }
    }

    GMainContext* const context_;
    bool expired_ = false;
    std::unique_ptr<GSource, SourceDestroy> timer_;
    std::deque<Pending> pending_;  // the callbacks hold their addresses
};

Session::Session(Key, GMainContextPtr context, const ServiceOptions& options, bool follows,
                 std::shared_ptr<RunNotes> notes, GCancellable* stop)
    : options_(options),
      follows_(follows),
      notes_(std::move(notes)),
      stop_(ShareGObject(stop)),
      context_(std::move(context)) {}

HRESULT Session::Open(const ServiceOptions& options, std::shared_ptr<RunNotes> notes,
                      std::shared_ptr<Session>* session, Listing listing) {
    auto fresh = std::make_shared<Session>(Key{}, GMainContextPtr(g_main_context_new()), options,
                                           false, std::move(notes));
    if (HRESULT hr = fresh->Connect(); FAILED(hr)) {
        if (hr == CO_E_SERVER_EXEC_FAILURE)
            fresh->Note(RunCause::SystemBusUnreachable);
        return hr;
    }
    if (listing == Listing::AtOpen) {
        Use use(*fresh);
        fresh->ListObjects();
    }
    *session = std::move(fresh);
    return S_OK;
}

HRESULT Session::OpenOn(GMainContext* context, const ServiceOptions& options, GCancellable* stop,
                        std::shared_ptr<Session>* session) {
    auto fresh = std::make_shared<Session>(Key{}, GMainContextPtr(g_main_context_ref(context)),
                                           options, true, nullptr, stop);
    if (HRESULT hr = fresh->Connect(); FAILED(hr))
        return hr;
    *session = std::move(fresh);
    return S_OK;
}

HRESULT Session::Follow() {
    Use use(*this);
    if (!use.Ok())
        return kWrongThread;
    StartManager();
    return manager_ ? S_OK : listStatus_;
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
    return S_OK;
}

HRESULT Session::ConnectBounded(const char* address) {
    // Connects on this thread under a watchdog rather than asynchronously:
    // gio would run the set-up in a worker thread that must first be
    // scheduled, which on a busy machine costs a run more than its calls.
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    const CancelLink stopping(stop_.get(), cancellable.get());
    ErrorSlot error;
    GObjectPtr<GIOStream> stream;
    auto watchdog = std::make_unique<Watchdog>(cancellable.get(), options_.callBound);
    stream.reset(g_dbus_address_get_stream_sync(address, nullptr, cancellable.get(), error.Put()));
    if (!stream)
        return CO_E_SERVER_EXEC_FAILURE;
    if (G_IS_SOCKET_CONNECTION(stream.get()))
        watchdog->AlsoShutDown(g_socket_connection_get_socket(G_SOCKET_CONNECTION(stream.get())));
    connection_.reset(g_dbus_connection_new_sync(
        stream.get(), nullptr,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable.get(), error.Put()));
    watchdog->Stop();
    // Its thread ends while a run goes on; waiting for that here would cost
    // every run a wake-up of that thread before its first call. The event
    // thread's session lives long and joins it now.
    if (!follows_)
        setUpWatch_ = std::move(watchdog);
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
    const CancelLink stopping(stop_.get(), cancellable.get());
    manager_.reset();
    listStatus_ = S_OK;
    bool expired = false;
    {
        Watchdog watchdog(cancellable.get(), options_.callBound);
        manager_.reset(mm_manager_new_sync(connection_.get(),
                                           G_DBUS_OBJECT_MANAGER_CLIENT_FLAGS_DO_NOT_AUTO_START,
                                           cancellable.get(), error.Put()));
        expired = watchdog.Stop();
    }
    GErrorPtr failure = error.Take();
    if (!manager_)
        listStatus_ = expired ? kTimeout : StatusFromError(failure.get());
}

void Session::ListObjects() {
    listed_ = true;
    SendListing();
    // A run's report ends at the listing when it failed: say why, for the
    // daemon's two failures a person can act on.
    if (listStatus_ == kServiceNotActive)
        Note(RunCause::ModemManagerNotRunning);
    NoteTimeout(listStatus_);
}

void Session::SendListing() {
    // A plain GetManagedObjects rather than libmm-glib's object manager: a run
    // waits for no signal, and the manager would cost a name-owner look-up and
    // three match rules before it lists anything. Its reply names the daemon's
    // unique name, which every later call of the run goes to.
    GObjectPtr<GDBusMessage> call(g_dbus_message_new_method_call(
        MM_DBUS_SERVICE, MM_DBUS_PATH, "org.freedesktop.DBus.ObjectManager", "GetManagedObjects"));
    g_dbus_message_set_flags(call.get(), G_DBUS_MESSAGE_FLAGS_NO_AUTO_START);
    GObjectPtr<GAsyncResult> result;
    {
        Batch listing(*this);
        listing.Start([&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
            g_dbus_connection_send_message_with_reply(connection_.get(), call.get(),
                                                      G_DBUS_SEND_MESSAGE_FLAGS_NONE, -1, nullptr,
                                                      cancellable, done, data);
        });
        PrepareProxyClasses();
        listStatus_ = listing.CollectOne(&result);
    }
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
    TakeListing(objects.get());
}

void Session::TakeListing(GVariant* objects) {
    // The modems, in order of their path number.
    struct Listed {
        std::string path;
        GVariantPtr interfaces;
        GVariantPtr modem;  // the Modem interface's properties
    };
    std::vector<Listed> listed;
    GVariantIter iter;
    g_variant_iter_init(&iter, objects);
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        GVariantPtr owned(interfaces);
        GVariantPtr modem(
            g_variant_lookup_value(interfaces, MM_DBUS_INTERFACE_MODEM, G_VARIANT_TYPE_VARDICT));
        if (modem)
            listed.push_back({path, std::move(owned), std::move(modem)});
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        return ModemPathNumber(a.path) < ModemPathNumber(b.path);
    });
    if (listed.empty())
        return;

    // The report reads the first modem's SIM, bearers and profile list, and
    // NetworkManager's saved connections. Sent now, they are answered while
    // the modems' proxies are made and the report's first sections are
    // written, instead of one wait each later.
    const Listed& first = listed.front();
    const gchar* sim = nullptr;
    g_variant_lookup(first.modem.get(), "Sim", "&o", &sim);
    std::unique_ptr<const gchar*, GFreeDeleter> bearers;
    const gchar** bearerPaths = nullptr;
    if (g_variant_lookup(first.modem.get(), "Bearers", "^a&o", &bearerPaths))
        bearers.reset(bearerPaths);
    pending_ = StartReads(first.path, sim, bearerPaths);
    savedConnections_ = std::make_unique<Batch>(*this);
    savedConnections_->Start(ListingConnections(connection_.get()));

    for (const Listed& entry : listed) {
        ModemRef modem = ModemFromListing(connection_.get(), owner_.c_str(), entry.path.c_str(),
                                          entry.interfaces.get());
        if (!modem)
            continue;
        // The profile list needs the modem's profile-manager proxy.
        if (modem->path == pending_->modem && modem->profiles)
            StartProfileList(*pending_, modem->profiles.get());
        modems_.push_back(std::move(modem));
    }
}

Session::~Session() {
    Use use(*this);
    // Reads nobody collected are cancelled and waited for: their callbacks
    // run on our context and write into the batches.
    pending_.reset();
    savedConnections_.reset();
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
    Batch batch(*this);
    batch.Start(start);
    return batch.CollectOne(result);
}

HRESULT Session::Modems(std::vector<ModemRef>* modems) {
    modems->clear();
    if (!follows_ && !listed_)
        ListObjects();
    if (FAILED(listStatus_))
        return listStatus_;
    if (!follows_) {
        *modems = modems_;
        return S_OK;
    }
    // Let the manager take in what arrived or left since the last call.
    while (g_main_context_iteration(context_.get(), FALSE)) {
    }
    if (!manager_ || Owner().empty())
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

Session::AsyncStart Session::StartRead(const ObjectRead& read, std::string owner) {
    // A plain Properties.GetAll to the daemon's unique name, which can leave
    // at once: a libmm-glib proxy loading its own properties would first
    // have to be made, and only the typed accessors are worth having. The
    // proxy is made when the answer is in, holding what it said.
    return [this, read, owner = std::move(owner)](GCancellable* cancellable,
                                                  GAsyncReadyCallback done, gpointer data) {
        g_dbus_connection_call(connection_.get(), owner.c_str(), read.path.c_str(), kProperties,
                               "GetAll", g_variant_new("(s)", read.interface),
                               G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT,
                               cancellable, done, data);
    };
}

HRESULT Session::FinishRead(const ObjectRead& read, const std::string& owner, HRESULT status,
                            GAsyncResult* result, GObjectPtr<GObject>* object) {
    if (FAILED(status))
        return status;
    ErrorSlot error;
    GVariantPtr reply(g_dbus_connection_call_finish(connection_.get(), result, error.Put()));
    // Denied by the bus's policy: access denied. Otherwise refused or
    // unanswered, or answered with nothing: the daemon went, or no longer
    // serves the object; every object it serves has properties.
    if (!reply) {
        const HRESULT status = StatusFromError(error.Take().get());
        return status == E_ACCESSDENIED ? status : kServiceNotActive;
    }
    GVariantPtr properties(g_variant_get_child_value(reply.get(), 0));
    if (g_variant_n_children(properties.get()) == 0)
        return kServiceNotActive;
    GObjectPtr<GObject> proxy = ProxyHolding(read.type, connection_.get(), owner.c_str(),
                                             read.path.c_str(), read.interface, properties.get());
    if (!proxy)
        return E_MBN_FAILURE;
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

std::unique_ptr<Session::PendingReads> Session::StartReads(const std::string& modem,
                                                           const char* sim,
                                                           const gchar* const* bearers) {
    // A report reads a modem's SIM, its profile list and its bearers, each
    // with one call to the daemon. Sent together on the run's connection
    // they cost one wait for the daemon instead of one each. Once per modem
    // and run; the event thread's session reads as it is asked.
    readAhead_.push_back(modem);
    auto reads = std::make_unique<PendingReads>();
    reads->modem = modem;
    reads->batch = std::make_unique<Batch>(*this);
    auto read = [&](GType type, const char* interface, const char* path) {
        if (!path || std::strcmp(path, "/") == 0 || read_.count(path))
            return;
        reads->objects.push_back({type, interface, path});
        reads->batch->Start(StartRead(reads->objects.back(), owner_));
    };
    read(MM_TYPE_SIM, MM_DBUS_INTERFACE_SIM, sim);
    if (bearers)
        for (; *bearers; ++bearers)
            read(MM_TYPE_BEARER, MM_DBUS_INTERFACE_BEARER, *bearers);
    return reads;
}

void Session::StartProfileList(PendingReads& reads, MMModem3gppProfileManager* profiles) {
    reads.profiles = ShareGObject(profiles);
    reads.batch->Start(ListingProfiles(profiles));
}

void Session::CollectReads(PendingReads& reads) {
    std::vector<HRESULT> statuses;
    std::vector<GObjectPtr<GAsyncResult>> results;
    reads.batch->Collect(&statuses, &results);
    // Every result is finished here: an unfinished one would keep what its
    // call allocated.
    for (std::size_t i = 0; i < reads.objects.size(); ++i) {
        const ObjectRead& read = reads.objects[i];
        GObjectPtr<GObject> proxy;
        if (HRESULT hr = FinishRead(read, owner_, statuses[i], results[i].get(), &proxy);
            FAILED(hr))
            ahead_[read.path].status = hr;
        else
            read_.emplace(read.path, std::move(proxy));
    }
    if (reads.profiles) {
        Ahead& listed = ahead_[reads.modem];
        listed.status = FinishList(reads.profiles.get(), statuses.back(), results.back().get(),
                                   &listed.profiles, &listed.refused, &listed.callerRefused);
    }
}

void Session::ReadAhead(const ModemObject& modem) {
    if (follows_ || owner_.empty())
        return;
    if (pending_ && pending_->modem == modem.path) {
        std::unique_ptr<PendingReads> reads = std::move(pending_);
        CollectReads(*reads);
        return;
    }
    if (std::find(readAhead_.begin(), readAhead_.end(), modem.path) != readAhead_.end())
        return;
    MMModem* m = modem.modem.get();
    std::unique_ptr<PendingReads> reads = StartReads(
        modem.path, HasSim(m) ? mm_modem_get_sim_path(m) : nullptr, mm_modem_get_bearer_paths(m));
    if (modem.profiles)
        StartProfileList(*reads, modem.profiles.get());
    CollectReads(*reads);
}

HRESULT Session::FinishList(MMModem3gppProfileManager* manager, HRESULT status,
                            GAsyncResult* result, std::vector<GObjectPtr<MM3gppProfile>>* profiles,
                            bool* refused, bool* callerRefused) {
    *refused = false;
    *callerRefused = false;
    if (FAILED(status))
        return status;
    ErrorSlot error;
    GList* list = nullptr;
    if (!mm_modem_3gpp_profile_manager_list_finish(manager, result, &list, error.Put())) {
        GErrorPtr failure = error.Take();
        *refused = IsRefusal(failure.get());
        *callerRefused = RefusesCaller(failure.get());
        return StatusFromError(failure.get());
    }
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
    const ObjectRead read{type, interface, path};
    GObjectPtr<GAsyncResult> result;
    HRESULT status = Await(StartRead(read, owner), &result);
    GObjectPtr<GObject> proxy;
    if (HRESULT hr = FinishRead(read, owner, status, result.get(), &proxy); FAILED(hr))
        return hr;
    if (!follows_)
        read_.emplace(path, ShareGObject(proxy.get()));
    *object = std::move(proxy);
    return S_OK;
}

HRESULT Session::ListProfiles(const ModemObject& modem,
                              std::vector<GObjectPtr<MM3gppProfile>>* profiles, bool* refused) {
    profiles->clear();
    *refused = false;
    if (!follows_)
        ReadAhead(modem);
    HRESULT status = S_OK;
    bool callerRefused = false;
    if (auto ahead = ahead_.find(modem.path); ahead != ahead_.end()) {
        status = ahead->second.status;
        *refused = ahead->second.refused;
        callerRefused = ahead->second.callerRefused;
        *profiles = std::move(ahead->second.profiles);
        ahead_.erase(ahead);
    } else {
        MMModem3gppProfileManager* manager = modem.profiles.get();
        GObjectPtr<GAsyncResult> result;
        status = Await(ListingProfiles(manager), &result);
        status = FinishList(manager, status, result.get(), profiles, refused, &callerRefused);
    }
    if (callerRefused)
        Note(RunCause::ProfileListRefused);
    NoteTimeout(status);
    return status;
}

void Session::NoteTimeout(HRESULT status) const {
    if (status == kTimeout)
        Note(RunCause::ModemManagerNotAnswering);
}

NmListing Session::ListSavedConnections() {
    GObjectPtr<GAsyncResult> result;
    std::unique_ptr<Batch> early = std::move(savedConnections_);
    HRESULT status =
        early ? early->CollectOne(&result) : Await(ListingConnections(connection_.get()), &result);
    return FinishListingConnections(connection_.get(), status, result.get());
}

HRESULT Session::ReadSim(const char* path, GObjectPtr<MMSim>* sim) {
    GObjectPtr<GObject> object;
    HRESULT hr = ReadObject(MM_TYPE_SIM, MM_DBUS_INTERFACE_SIM, path, &object);
    NoteTimeout(hr);
    sim->reset(SUCCEEDED(hr) ? MM_SIM(object.release()) : nullptr);
    return hr;
}

HRESULT Session::ReadBearer(const char* path, GObjectPtr<MMBearer>* bearer) {
    GObjectPtr<GObject> object;
    HRESULT hr = ReadObject(MM_TYPE_BEARER, MM_DBUS_INTERFACE_BEARER, path, &object);
    NoteTimeout(hr);
    bearer->reset(SUCCEEDED(hr) ? MM_BEARER(object.release()) : nullptr);
    return hr;
}

}  // namespace paravue::mm

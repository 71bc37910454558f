#include "platform/modemmanager/mm_session.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"

namespace paravue::mm {
namespace {

struct Pending {
    GAsyncResult* result = nullptr;  // one reference, taken over by Await
    bool expired = false;
};

void OnFinished(GObject*, GAsyncResult* result, gpointer data) {
    static_cast<Pending*>(data)->result = G_ASYNC_RESULT(g_object_ref(result));
}

gboolean OnExpired(gpointer data) {
    static_cast<Pending*>(data)->expired = true;
    return G_SOURCE_REMOVE;
}

struct SourceDestroy {
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

// Cancels a blocking call from another thread once the bound has passed.
class Watchdog {
  public:
    Watchdog(GCancellable* cancellable, std::chrono::milliseconds bound, bool* expired)
        : thread_([this, cancellable, bound, expired] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, bound, [this] { return finished_; })) {
                  *expired = true;
                  g_cancellable_cancel(cancellable);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace

Session::Session(Key, GMainContextPtr context, const ServiceOptions& options)
    : options_(options), context_(std::move(context)) {}

HRESULT Session::Open(const ServiceOptions& options, std::shared_ptr<Session>* session) {
    auto fresh = std::make_shared<Session>(Key{}, GMainContextPtr(g_main_context_new()), options);
    if (HRESULT hr = fresh->Connect(); FAILED(hr))
        return hr;
    *session = std::move(fresh);
    return S_OK;
}

HRESULT Session::OpenOn(GMainContext* context, const ServiceOptions& options,
                        std::shared_ptr<Session>* session) {
    auto fresh =
        std::make_shared<Session>(Key{}, GMainContextPtr(g_main_context_ref(context)), options);
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

    GObjectPtr<GAsyncResult> result;
    HRESULT hr = Await(
        [&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
            g_dbus_connection_new_for_address(
                address.get(),
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, cancellable, done, data);
        },
        &result);
    if (FAILED(hr))
        return CO_E_SERVER_EXEC_FAILURE;
    connection_.reset(g_dbus_connection_new_for_address_finish(result.get(), error.Put()));
    if (!connection_)
        return CO_E_SERVER_EXEC_FAILURE;
    g_dbus_connection_set_exit_on_close(connection_.get(), FALSE);

    // The object manager has no asynchronous start of its own: started
    // asynchronously it would start in a worker thread and deliver its
    // signals to a context nobody runs. So it starts here, on our context,
    // and a watchdog cancels it when the daemon does not answer in time.
    // Without DO_NOT_AUTO_START a missing daemon is activated, or waited for.
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
        managerStatus_ = expired ? kTimeout : StatusFromError(failure.get());
    return S_OK;
}

Session::~Session() {
    Use use(*this);
    manager_.reset();
    if (connection_)
        g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
    connection_.reset();
    if (use.Ok())
        while (g_main_context_iteration(context_.get(), FALSE)) {
        }
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
    result->reset();
    GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    Pending pending;
    std::unique_ptr<GSource, SourceDestroy> timer(
        g_timeout_source_new(static_cast<guint>(options_.callBound.count())));
    g_source_set_callback(timer.get(), OnExpired, &pending, nullptr);
    g_source_attach(timer.get(), context_.get());

    start(cancellable.get(), OnFinished, &pending);
    bool cancelled = false;
    while (!pending.result) {
        if (pending.expired && !cancelled) {
            // The callback still comes, with a cancellation error; wait for it
            // so nothing writes to `pending` after we return.
            g_cancellable_cancel(cancellable.get());
            cancelled = true;
        }
        g_main_context_iteration(context_.get(), TRUE);
    }
    GObjectPtr<GAsyncResult> finished(pending.result);
    if (cancelled)
        return kTimeout;
    *result = std::move(finished);
    return S_OK;
}

HRESULT Session::Modems(std::vector<GObjectPtr<MMObject>>* modems) {
    modems->clear();
    if (!manager_)
        return managerStatus_;
    // Let the manager take in what arrived or left since the last call.
    while (g_main_context_iteration(context_.get(), FALSE)) {
    }
    GCharPtr owner(
        g_dbus_object_manager_client_get_name_owner(G_DBUS_OBJECT_MANAGER_CLIENT(manager_.get())));
    if (!owner)
        return kServiceNotActive;
    GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager_.get()));
    for (GList* item = objects; item; item = item->next) {
        GObjectPtr<MMObject> object(MM_OBJECT(item->data));  // takes the list's reference
        if (mm_object_peek_modem(object.get()))
            modems->push_back(std::move(object));
    }
    g_list_free(objects);
    std::stable_sort(modems->begin(), modems->end(), [](const auto& a, const auto& b) {
        return ModemPathNumber(mm_object_get_path(a.get())) <
               ModemPathNumber(mm_object_get_path(b.get()));
    });
    return S_OK;
}

}  // namespace paravue::mm

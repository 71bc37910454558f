// One conversation with ModemManager: a private main context, a private
// system-bus connection and a fresh object manager, so nothing outlives the
// objects created from it and no cache shows stale values.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/service_options.h"

namespace paravue::mm {

class Session {
  public:
    // Connects to the system bus and reads the daemon's objects, on a context
    // of the session's own. Fails with CO_E_SERVER_EXEC_FAILURE when the bus
    // cannot be reached. A daemon that is absent or does not answer is not a
    // failure here: Modems() says so.
    static HRESULT Open(const ServiceOptions& options, std::shared_ptr<Session>* session);
    // For the event thread: the session runs on `context`, which that thread
    // owns and has pushed as its default.
    static HRESULT OpenOn(GMainContext* context, const ServiceOptions& options,
                          std::shared_ptr<Session>* session);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Holds the session for one operation: serialises callers and makes the
    // session's context the thread default. Ok() is false when another thread
    // (the event loop) owns the context.
    class Use {
      public:
        explicit Use(Session& session);
        ~Use();
        bool Ok() const { return acquired_; }

      private:
        Session& session_;
        std::unique_lock<std::recursive_mutex> lock_;
        bool acquired_ = false;
    };

    using AsyncStart = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
    // Runs one asynchronous call on the session's context and waits at most
    // the call bound. S_OK with the call's result for its _finish function,
    // or the timeout status (the call is cancelled). Call inside a Use.
    HRESULT Await(const AsyncStart& start, GObjectPtr<GAsyncResult>* result);

    // The daemon's modems in order of their object-path number: S_OK (maybe
    // none), the service-not-active status when nobody owns the daemon's
    // name, or why its objects could not be read. Call inside a Use.
    HRESULT Modems(std::vector<GObjectPtr<MMObject>>* modems);

    MMManager* Manager() const { return manager_.get(); }
    // The session's bus connection, for calls to other services of the bus.
    GDBusConnection* Connection() const { return connection_.get(); }
    GMainContext* Context() const { return context_.get(); }
    const ServiceOptions& Options() const { return options_; }

    struct Key {};  // construction goes through Open/OpenOn
    Session(Key, GMainContextPtr context, const ServiceOptions& options);

  private:
    HRESULT Connect();

    const ServiceOptions options_;
    GMainContextPtr context_;
    std::recursive_mutex mutex_;
    GObjectPtr<GDBusConnection> connection_;
    GObjectPtr<MMManager> manager_;
    HRESULT managerStatus_ = S_OK;
};

}  // namespace paravue::mm

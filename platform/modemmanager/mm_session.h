// One conversation with ModemManager: a private main context and a private
// system-bus connection. A report run's session lists the daemon's objects
// once and reads each SIM and bearer at most once, so that every manager the
// run creates sees the same device; the next run opens a new session and sees
// the device as it is then. The event thread's session follows the daemon
// with an object manager instead.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/nm_profiles.h"
#include "platform/modemmanager/service_options.h"
#include "platform/run_causes.h"

namespace paravue::mm {

class Session {
  public:
    // When a run's session lists the daemon's objects: at once, or when
    // Modems() first asks (a manager that only carries event subscriptions
    // then never waits for the daemon).
    enum class Listing { AtOpen, OnFirstUse };
    // A report run's session: connects to the system bus and lists the
    // daemon's objects with one call, on a context of the session's own.
    // Fails with CO_E_SERVER_EXEC_FAILURE when the bus cannot be reached. A
    // daemon that is absent or does not answer is not a failure here:
    // Modems() says so. The session notes in `notes` why the run failed or
    // fell back, where it can tell.
    static HRESULT Open(const ServiceOptions& options, std::shared_ptr<RunNotes> notes,
                        std::shared_ptr<Session>* session, Listing listing = Listing::AtOpen);
    // For the event thread: connects to the system bus on `context`, which
    // that thread owns and has pushed as its default; Follow() then starts
    // the object manager. Cancelling `stop` ends a set-up under way at once.
    static HRESULT OpenOn(GMainContext* context, const ServiceOptions& options, GCancellable* stop,
                          std::shared_ptr<Session>* session);
    // The event thread's object manager, which follows the daemon: S_OK, or
    // why the daemon's objects could not be had within the call bound (the
    // timeout status for a daemon that owns its name but does not answer).
    // May be called again after a failure.
    HRESULT Follow();
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
    HRESULT Modems(std::vector<ModemRef>* modems);

    // A SIM or bearer, read with one bounded Properties.GetAll; the
    // service-not-active status when the daemon does not serve it (any more).
    // A run's session reads each object once. Call inside a Use.
    HRESULT ReadSim(const char* path, GObjectPtr<MMSim>* sim);
    HRESULT ReadBearer(const char* path, GObjectPtr<MMBearer>* bearer);
    // The modem's saved profiles, listed with one bounded call: S_OK, the
    // timeout status, or the status of the daemon's or the bus's error;
    // `refused` says whether that error declined the call (IsRefusal) rather
    // than failed at it. The modem must have a profile manager. A refusal to
    // this caller (rather than to the modem's state) is noted as such. Call
    // inside a Use.
    HRESULT ListProfiles(const ModemObject& modem, std::vector<GObjectPtr<MM3gppProfile>>* profiles,
                         bool* refused);
    // NetworkManager's answer to ListConnections, asked once per run: a run
    // that found a modem asked already, with that modem's reads. Call inside
    // a Use.
    NmListing ListSavedConnections();

    // The one bus connection of this conversation, for every reader of the
    // system bus that the run holds.
    GDBusConnection* Connection() const { return connection_.get(); }
    // The event thread's object manager; null in a run's session.
    MMManager* Manager() const { return manager_.get(); }
    GMainContext* Context() const { return context_.get(); }
    const ServiceOptions& Options() const { return options_; }

    // Notes a cause for the run; the event thread's session notes nothing.
    void Note(RunCause cause) const {
        if (notes_)
            notes_->Note(cause);
    }

    struct Key {};  // construction goes through Open/OpenOn
    Session(Key, GMainContextPtr context, const ServiceOptions& options, bool follows,
            std::shared_ptr<RunNotes> notes, GCancellable* stop = nullptr);

  private:
    class Batch;
    class Watchdog;
    // One object read with Properties.GetAll: what it is and where.
    struct ObjectRead {
        GType type;
        const char* interface;
        std::string path;
    };
    // A modem's reads, sent together and collected when the report first
    // needs one of them.
    struct PendingReads {
        std::string modem;
        std::vector<ObjectRead> objects;                 // in the order they were sent
        GObjectPtr<MMModem3gppProfileManager> profiles;  // its List was sent last
        std::unique_ptr<Batch> batch;
    };

    HRESULT Connect();
    HRESULT ConnectBounded(const char* address);
    // Ends the connection from its socket and waits, within the call bound,
    // until it is closed; false when it could not. Call inside a Use.
    bool HangUp();
    void StartManager();
    void ListObjects();  // and notes why a failed listing failed
    void SendListing();
    void TakeListing(GVariant* objects);
    std::string Owner() const;
    HRESULT ReadObject(GType type, const char* interface, const char* path,
                       GObjectPtr<GObject>* object);
    AsyncStart StartRead(const ObjectRead& read, std::string owner);
    HRESULT FinishRead(const ObjectRead& read, const std::string& owner, HRESULT status,
                       GAsyncResult* result, GObjectPtr<GObject>* object);
    const ModemObject* ModemHolding(const char* path) const;
    std::unique_ptr<PendingReads> StartReads(const std::string& modem, const char* sim,
                                             const gchar* const* bearers);
    void StartProfileList(PendingReads& reads, MMModem3gppProfileManager* profiles);
    void CollectReads(PendingReads& reads);
    void ReadAhead(const ModemObject& modem);
    // `callerRefused`: the refusal was this caller's, not the modem's state.
    static HRESULT FinishList(MMModem3gppProfileManager* manager, HRESULT status,
                              GAsyncResult* result,
                              std::vector<GObjectPtr<MM3gppProfile>>* profiles, bool* refused,
                              bool* callerRefused);
    void NoteTimeout(HRESULT status) const;

    const ServiceOptions options_;
    const bool follows_;                     // the event thread's session
    const std::shared_ptr<RunNotes> notes_;  // null for the event thread's
    GObjectPtr<GCancellable> stop_;          // the event thread's: cancels its set-up
    bool listed_ = false;                    // a run's listing was asked for
    GMainContextPtr context_;
    std::recursive_mutex mutex_;
    GObjectPtr<GDBusConnection> connection_;
    GObjectPtr<MMManager> manager_;
    HRESULT listStatus_ = S_OK;
    // A run's snapshot: the daemon's unique name, its modems, what was read.
    std::string owner_;
    std::vector<ModemRef> modems_;
    std::map<std::string, GObjectPtr<GObject>> read_;
    // What a modem's read-ahead brought that nobody has taken yet, each taken
    // once as if read then: a failed SIM or bearer read (by object path), the
    // profile list (by its modem's path). Objects read go to read_.
    struct Ahead {
        HRESULT status = S_OK;
        bool refused = false;  // the profile list's failure declined the call
        std::vector<GObjectPtr<MM3gppProfile>> profiles;
        bool callerRefused = false;
    };
    std::map<std::string, Ahead> ahead_;
    std::vector<std::string> readAhead_;       // modems whose reads were started
    std::unique_ptr<PendingReads> pending_;    // the first modem's, sent at listing
    std::unique_ptr<Batch> savedConnections_;  // NetworkManager's list, sent at listing
    std::unique_ptr<Watchdog> setUpWatch_;     // stopped once connected, joined at the end
};

}  // namespace paravue::mm

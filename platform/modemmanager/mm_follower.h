// The event thread's conversation with ModemManager: a bus connection on
// that thread's context and an object manager that follows the daemon.
// Objects are read as they are asked for, each time anew.
#pragma once

#include <memory>
#include <string>

#include "platform/modemmanager/mm_modem_reads.h"

namespace paravue::mm {

class Follower final : public ModemReads {
  public:
    // Connects to the system bus on `context`, which the event thread owns
    // and has pushed as its default. Cancelling `stop` ends a set-up or a
    // Follow under way at once.
    static HRESULT Open(GMainContext* context, const ServiceOptions& options, GCancellable* stop,
                        std::shared_ptr<Follower>* follower);
    ~Follower() override;

    // Starts the object manager: S_OK, or why the daemon's objects could not
    // be had within the call bound (the timeout status for a daemon that
    // owns its name but does not answer). May be called again after a
    // failure.
    HRESULT Follow();
    MMManager* Manager() const { return manager_.get(); }
    GDBusConnection* Connection() const { return link_.Connection(); }

    BusLink& Link() override { return link_; }
    HRESULT ReadObject(GType type, const char* interface, const char* path,
                       GObjectPtr<GObject>* object) override;
    ProfileList ListProfiles(const ModemObject& modem) override;

    struct Key {};  // construction goes through Open
    Follower(Key, GMainContext* context, const ServiceOptions& options, GCancellable* stop)
        : link_(GMainContextPtr(g_main_context_ref(context)), options, stop) {}

  private:
    BusLink link_;
    GObjectPtr<MMManager> manager_;
};

}  // namespace paravue::mm

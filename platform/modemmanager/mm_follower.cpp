#include "platform/modemmanager/mm_follower.h"

#include "platform/modemmanager/mm_errors.h"

namespace paravue::mm {

HRESULT Follower::Open(GMainContext* context, const ServiceOptions& options, GCancellable* stop,
                       std::shared_ptr<Follower>* follower) {
    auto fresh = std::make_shared<Follower>(Key{}, context, options, stop);
    if (HRESULT hr = fresh->link_.Connect(); FAILED(hr))
        return hr;
    // The event thread lives long: the set-up's watchdog goes now.
    fresh->link_.EndSetUp();
    *follower = std::move(fresh);
    return S_OK;
}

Follower::~Follower() {
    BusLink::Use use(link_);
    manager_.reset();
}

HRESULT Follower::Follow() {
    BusLink::Use use(link_);
    if (!use.Ok())
        return kWrongThread;
    // The object manager has no asynchronous start of its own: started
    // asynchronously it would start in a worker thread and deliver its
    // signals to a context nobody runs. So it starts here, on our context,
    // and is cancelled when the daemon does not answer in time. Without
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

HRESULT Follower::ReadObject(GType type, const char* interface, const char* path,
                             GObjectPtr<GObject>* object) {
    object->reset();
    GCharPtr owner(manager_ ? g_dbus_object_manager_client_get_name_owner(
                                  G_DBUS_OBJECT_MANAGER_CLIENT(manager_.get()))
                            : nullptr);
    if (!owner)
        return kServiceNotActive;
    return ReadNow(link_, {type, interface, path}, owner.get(), object);
}

ProfileList Follower::ListProfiles(const ModemObject& modem) {
    MMModem3gppProfileManager* manager = modem.profiles.get();
    return FinishProfileList(manager, link_.Await(StartProfileList(manager)));
}

}  // namespace paravue::mm

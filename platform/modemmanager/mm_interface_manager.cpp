#include "platform/modemmanager/mm_interface_manager.h"

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_interface.h"
#include "platform/modemmanager/mm_modem_array.h"
#include "platform/modemmanager/mm_watched_point.h"

namespace paravue::mm {
namespace {

EventHandlers HandlersFor(ConnectionPoint* manager, ConnectionPoint* registration) {
    EventHandlers h;
    h.arrival = [manager](IMbnInterface* modem) {
        manager->Fire([modem](IUnknown* sink) {
            static_cast<IMbnInterfaceManagerEvents*>(sink)->OnInterfaceArrival(modem);
        });
    };
    h.removal = [manager](IMbnInterface* modem) {
        manager->Fire([modem](IUnknown* sink) {
            static_cast<IMbnInterfaceManagerEvents*>(sink)->OnInterfaceRemoval(modem);
        });
    };
    h.registerModeAvailable = [registration](IMbnRegistration* r) {
        registration->Fire([r](IUnknown* sink) {
            static_cast<IMbnRegistrationEvents*>(sink)->OnRegisterModeAvailable(r);
        });
    };
    h.registerState = [registration](IMbnRegistration* r) {
        registration->Fire([r](IUnknown* sink) {
            static_cast<IMbnRegistrationEvents*>(sink)->OnRegisterStateChange(r);
        });
    };
    h.packetService = [registration](IMbnRegistration* r) {
        registration->Fire([r](IUnknown* sink) {
            static_cast<IMbnRegistrationEvents*>(sink)->OnPacketServiceStateChange(r);
        });
    };
    return h;
}

}  // namespace

MmInterfaceManager::MmInterfaceManager(std::shared_ptr<Session> session,
                                       const ServiceOptions& options)
    : session_(std::move(session)),
      managerEvents_(MakeComObject<ConnectionPoint>(IID_IMbnInterfaceManagerEvents)),
      registrationEvents_(MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents)),
      watcher_(options, HandlersFor(managerEvents_.Get(), registrationEvents_.Get())) {
    // The points call back into this object only while it lives: both are
    // emptied and the watcher stopped in the destructor.
    managerPoint_ = MakeComObject<WatchedPoint>(managerEvents_, [this] { SubscriptionsChanged(); });
    registrationPoint_ =
        MakeComObject<WatchedPoint>(registrationEvents_, [this] { SubscriptionsChanged(); });
}

MmInterfaceManager::~MmInterfaceManager() {
    managerPoint_->Orphan();
    registrationPoint_->Orphan();
    watcher_.Stop();
    managerEvents_->DisconnectAll();
    registrationEvents_->DisconnectAll();
}

void MmInterfaceManager::SubscriptionsChanged() {
    if (managerEvents_->SubscriberCount() + registrationEvents_->SubscriberCount() > 0)
        watcher_.Start();
    else
        watcher_.Stop();
}

HRESULT MmInterfaceManager::GetInterfaces(SAFEARRAY** interfaces) {
    if (!interfaces)
        return E_POINTER;
    *interfaces = nullptr;
    Session::Use use(*session_);
    if (!use.Ok())
        return kWrongThread;
    std::vector<ModemRef> modems;
    if (HRESULT hr = session_->Modems(&modems); FAILED(hr))
        return hr;
    if (modems.empty())
        return kNotFound;
    return ModemObjectArray<MmInterface, IMbnInterface>(session_, std::move(modems), "interfaces",
                                                        interfaces);
}

HRESULT MmInterfaceManager::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    WatchedPoint* found = nullptr;
    if (iid == IID_IMbnInterfaceManagerEvents)
        found = managerPoint_.Get();
    else if (iid == IID_IMbnRegistrationEvents)
        found = registrationPoint_.Get();
    else
        return CONNECT_E_NOCONNECTION;
    found->AddRef();
    *point = found;
    return S_OK;
}

}  // namespace paravue::mm

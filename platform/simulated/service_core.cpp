// The core and the managers that share it. The interface manager is the
// container of the core's event connection points; subscriptions go through a
// gate that starts the event clock.
#include "platform/simulated/service_core.h"

#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"
#include "platform/simulated/event_scheduler.h"
#include "platform/simulated/interface_object.h"

namespace paravue::simulated {
namespace {

class AdviseGate final : public ServiceObject<AdviseGate, IConnectionPoint> {
  public:
    AdviseGate(std::shared_ptr<ServiceCore> core, ConnectionPoint* point)
        : core_(std::move(core)), point_(ComPtr<ConnectionPoint>::Share(point)) {}

    HRESULT GetConnectionInterface(IID* iid) override {
        return point_->GetConnectionInterface(iid);
    }
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override {
        if (cookie)
            *cookie = 0;
        HRESULT hr = point_->Advise(sink, cookie);
        if (SUCCEEDED(hr))
            core_->Advised();
        return hr;
    }
    HRESULT Unadvise(DWORD cookie) override { return point_->Unadvise(cookie); }

  private:
    std::shared_ptr<ServiceCore> core_;
    ComPtr<ConnectionPoint> point_;
};

class InterfaceManagerObject final
    : public ServiceObject<InterfaceManagerObject, IMbnInterfaceManager,
                           IConnectionPointContainer> {
  public:
    explicit InterfaceManagerObject(std::shared_ptr<ServiceCore> core) : core_(std::move(core)) {}

    HRESULT GetInterfaces(SAFEARRAY** interfaces) override {
        // One snapshot for the whole list: every interface of it sees the same state.
        std::shared_ptr<const Scenario> state = core_->State();
        return HandOutObjects(state, state->interfaces, interfaces);
    }

    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        ConnectionPoint* shared = core_->PointFor(iid);
        if (!shared)
            return CONNECT_E_NOCONNECTION;
        *point = MakeComObject<AdviseGate>(core_, shared).Detach();
        return S_OK;
    }

  private:
    std::shared_ptr<ServiceCore> core_;
};

class ConnectionManagerObject final
    : public ServiceObject<ConnectionManagerObject, IMbnConnectionManager> {
  public:
    explicit ConnectionManagerObject(std::shared_ptr<ServiceCore> core) : core_(std::move(core)) {}

    HRESULT GetConnections(SAFEARRAY** connections) override {
        std::shared_ptr<const Scenario> state = core_->State();
        if (const auto& listed = state->connectionManager.value.connections)
            return HandOutObjects(state, *listed, connections);
        // Without a list of its own, the manager knows the connection of every
        // interface whose connection can be obtained, in interface order.
        auto derived = std::make_shared<Field<Array<Connection>>>();
        if (!state->interfaces.Failed())
            for (const Field<Interface>& item : state->interfaces.value.items)
                if (!item.Failed() && !item.value.connection.Failed())
                    derived->value.items.emplace_back(item.value.connection.value);
        return HandOutObjects(std::shared_ptr<const Field<Array<Connection>>>(derived), *derived,
                              connections);
    }

  private:
    std::shared_ptr<ServiceCore> core_;
};

class ConnectionProfileManagerObject final
    : public ServiceObject<ConnectionProfileManagerObject, IMbnConnectionProfileManager> {
  public:
    explicit ConnectionProfileManagerObject(const std::shared_ptr<ServiceCore>&) {}

    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override {
        if (connectionProfiles)
            *connectionProfiles = nullptr;
        if (!connectionProfiles || !mbnInterface)
            return E_POINTER;
        // The profiles come from the snapshot the interface itself answers from.
        std::shared_ptr<const Interface> data = InterfaceData(mbnInterface);
        if (!data)
            return E_INVALIDARG;
        return HandOutObjects(data, data->connectionProfiles, connectionProfiles);
    }
};

// A class whose objects are created while the current device state's
// `creation` field says they can be.
template <class Object, class Manager>
ClassRegistration Register(const std::shared_ptr<ServiceCore>& core, const CLSID& clsid,
                           Field<Manager> Scenario::*creation) {
    return ClassRegistration(clsid, [core, creation](REFIID iid, void** object) {
        std::shared_ptr<const Scenario> state = core->State();
        const Field<Manager>& created = *state.*creation;
        if (created.Failed())
            return created.status;
        HRESULT hr = MakeComObject<Object>(core)->QueryInterface(iid, object);
        return FAILED(hr) ? hr : created.status;
    });
}

}  // namespace

ServiceCore::ServiceCore(std::shared_ptr<const Scenario> state)
    : state_(std::move(state)),
      managerEvents_(MakeComObject<ConnectionPoint>(IID_IMbnInterfaceManagerEvents)),
      registrationEvents_(MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents)) {}

ConnectionPoint* ServiceCore::PointFor(const IID& iid) const {
    if (iid == IID_IMbnInterfaceManagerEvents)
        return managerEvents_.Get();
    if (iid == IID_IMbnRegistrationEvents)
        return registrationEvents_.Get();
    return nullptr;
}

void ServiceCore::Advised() const {
    std::shared_ptr<EventScheduler> events;
    {
        std::lock_guard lock(mutex_);
        events = events_.lock();
    }
    if (events)
        events->Start();
}

std::vector<ClassRegistration> RegisterManagers(const std::shared_ptr<ServiceCore>& core) {
    std::vector<ClassRegistration> classes;
    classes.push_back(Register<InterfaceManagerObject>(core, CLSID_MbnInterfaceManager,
                                                       &Scenario::interfaceManager));
    classes.push_back(Register<ConnectionManagerObject>(core, CLSID_MbnConnectionManager,
                                                        &Scenario::connectionManager));
    classes.push_back(Register<ConnectionProfileManagerObject>(
        core, CLSID_MbnConnectionProfileManager, &Scenario::connectionProfileManager));
    return classes;
}

}  // namespace paravue::simulated

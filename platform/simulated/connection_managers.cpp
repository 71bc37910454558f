// The connection manager (every connection the service knows) and the
// connection profile manager (the profiles of one interface).
#include "platform/com_object.h"
#include "platform/simulated/hand_out.h"
#include "platform/simulated/interface_object.h"
#include "platform/simulated/managers.h"

namespace paravue::simulated {
namespace {

// Without a list of its own, the manager knows the connection of every
// interface whose connection can be obtained, in interface order.
std::vector<std::shared_ptr<const Connection>> ConnectionsOfInterfaces(
    const std::shared_ptr<const Scenario>& state) {
    std::vector<std::shared_ptr<const Connection>> connections;
    if (state->interfaces.Failed())
        return connections;
    for (const Field<Interface>& item : state->interfaces.value.items) {
        if (item.Failed() || item.value.connection.Failed())
            continue;
        connections.emplace_back(state, &item.value.connection.value);
    }
    return connections;
}

class ConnectionManagerObject final
    : public ServiceObject<ConnectionManagerObject, IMbnConnectionManager> {
  public:
    explicit ConnectionManagerObject(std::shared_ptr<ServiceCore> core) : core_(std::move(core)) {}

    HRESULT GetConnections(SAFEARRAY** connections) override {
        if (connections)
            *connections = nullptr;
        if (!connections)
            return E_POINTER;
        std::shared_ptr<const Scenario> state = core_->State();
        auto put = [&](SAFEARRAY* array, LONG index, const Connection& item) {
            ComPtr<IMbnConnection> object =
                MakeObject(std::shared_ptr<const Connection>(state, &item));
            return PutInterface(array, index, object.Get());
        };
        const auto& listed = state->connectionManager.value.connections;
        if (listed) {
            if (listed->Failed())
                return listed->status;
            if (HRESULT hr = BuildArray(listed->value, SafeArrayKind::Unknown, put, connections);
                FAILED(hr))
                return hr;
            return listed->status;
        }
        auto derived = ConnectionsOfInterfaces(state);
        UniqueSafeArray array(
            SafeArrayCreateVector(SafeArrayKind::Unknown, 0, static_cast<ULONG>(derived.size())));
        if (!array)
            return E_OUTOFMEMORY;
        NoteArrayFaults(array.Get(), {});
        for (std::size_t i = 0; i < derived.size(); ++i) {
            ComPtr<IMbnConnection> object = MakeObject(derived[i]);
            if (HRESULT hr = PutInterface(array.Get(), static_cast<LONG>(i), object.Get());
                FAILED(hr))
                return hr;
        }
        *connections = array.Release();
        return S_OK;
    }

  private:
    std::shared_ptr<ServiceCore> core_;
};

class ConnectionProfileManagerObject final
    : public ServiceObject<ConnectionProfileManagerObject, IMbnConnectionProfileManager> {
  public:
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
        const Field<Array<Profile>>& profiles = data->connectionProfiles;
        if (profiles.Failed())
            return profiles.status;
        auto put = [&](SAFEARRAY* array, LONG index, const Profile& item) {
            ComPtr<IMbnConnectionProfile> object =
                MakeObject(std::shared_ptr<const Profile>(data, &item));
            return PutInterface(array, index, object.Get());
        };
        if (HRESULT hr =
                BuildArray(profiles.value, SafeArrayKind::Unknown, put, connectionProfiles);
            FAILED(hr))
            return hr;
        return profiles.status;
    }
};

template <class Object, class Manager, class... Args>
HRESULT Create(const Field<Manager>& creation, REFIID iid, void** object, Args&&... args) {
    if (creation.Failed())
        return creation.status;
    HRESULT hr = MakeComObject<Object>(std::forward<Args>(args)...)->QueryInterface(iid, object);
    return FAILED(hr) ? hr : creation.status;
}

}  // namespace

HRESULT CreateConnectionManager(const std::shared_ptr<ServiceCore>& core, REFIID iid,
                                void** object) {
    return Create<ConnectionManagerObject>(core->State()->connectionManager, iid, object, core);
}

HRESULT CreateConnectionProfileManager(const std::shared_ptr<ServiceCore>& core, REFIID iid,
                                       void** object) {
    return Create<ConnectionProfileManagerObject>(core->State()->connectionProfileManager, iid,
                                                  object);
}

}  // namespace paravue::simulated

// The interface manager: lists the interfaces of one snapshot and is the
// container of the event connection points that all managers of a service
// share. Subscriptions go through a gate that starts the event clock.
#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/simulated/hand_out.h"
#include "platform/simulated/interface_object.h"
#include "platform/simulated/managers.h"

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
        if (interfaces)
            *interfaces = nullptr;
        if (!interfaces)
            return E_POINTER;
        // One snapshot for the whole list: every interface of it sees the same state.
        std::shared_ptr<const Scenario> state = core_->State();
        if (state->interfaces.Failed())
            return state->interfaces.status;
        auto put = [&](SAFEARRAY* array, LONG index, const Interface& item) {
            ComPtr<IMbnInterface> object =
                MakeObject(std::shared_ptr<const Interface>(state, &item));
            return PutInterface(array, index, object.Get());
        };
        if (HRESULT hr =
                BuildArray(state->interfaces.value, SafeArrayKind::Unknown, put, interfaces);
            FAILED(hr))
            return hr;
        return state->interfaces.status;
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

}  // namespace

HRESULT CreateInterfaceManager(const std::shared_ptr<ServiceCore>& core, REFIID iid,
                               void** object) {
    std::shared_ptr<const Scenario> state = core->State();
    const Field<InterfaceManager>& creation = state->interfaceManager;
    if (creation.Failed())
        return creation.status;
    HRESULT hr = MakeComObject<InterfaceManagerObject>(core)->QueryInterface(iid, object);
    return FAILED(hr) ? hr : creation.status;
}

}  // namespace paravue::simulated

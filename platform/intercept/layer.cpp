#include "platform/intercept/layer.h"

#include <optional>

#include "platform/intercept/layer_core.h"
#include "platform/runtime.h"
#include "platform/safearray.h"

namespace paravue::intercept {

HRESULT LayerCore::Before(const Call& call) {
    if (Detached())
        return S_OK;
    for (Client* client : clients_)
        if (HRESULT hr = client->BeforeCall(call); FAILED(hr))
            return hr;
    return S_OK;
}

void LayerCore::After(const Call& call, HRESULT status, void* out) {
    if (Detached())
        return;
    for (Client* client : clients_)
        client->AfterCall(call, status, out);
}

bool LayerCore::Detached() const {
    std::lock_guard lock(mutex_);
    return detached_;
}

void LayerCore::Detach() {
    std::lock_guard lock(mutex_);
    detached_ = true;
    arrays_.clear();
}

std::uint64_t LayerCore::AddArray(SAFEARRAY* array, Op getter, WrapFn element) {
    std::uint64_t id = NewId();
    std::lock_guard lock(mutex_);
    if (!detached_)
        arrays_[array] = ArrayInfo{id, getter, element};
    return id;
}

std::optional<ArrayInfo> LayerCore::FindArray(SAFEARRAY* array) const {
    std::lock_guard lock(mutex_);
    auto found = arrays_.find(array);
    if (found == arrays_.end())
        return std::nullopt;
    return found->second;
}

void LayerCore::ForgetArray(SAFEARRAY* array) {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        auto found = arrays_.find(array);
        if (found == arrays_.end())
            return;
        id = found->second.id;
        arrays_.erase(found);
    }
    for (Client* client : clients_)
        client->ArrayGone(id);
}

namespace {

// The array calls: the layer's own arrays pass its clients, the others go on
// to the route below.
class Route final : public ArrayRoute {
  public:
    explicit Route(std::shared_ptr<LayerCore> core) : core_(std::move(core)) {
        InstallArrayRoute(this);
    }
    ~Route() { RemoveArrayRoute(this); }
    Route(const Route&) = delete;
    Route& operator=(const Route&) = delete;

    HRESULT LowerBound(SAFEARRAY* array, LONG* lowerBound) override {
        return Bound(Op::ArrayLowerBound, &ArrayRoute::LowerBound, SafeArrayGetLBound, array,
                     lowerBound);
    }
    HRESULT UpperBound(SAFEARRAY* array, LONG* upperBound) override {
        return Bound(Op::ArrayUpperBound, &ArrayRoute::UpperBound, SafeArrayGetUBound, array,
                     upperBound);
    }
    HRESULT Element(SAFEARRAY* array, LONG index, void* element) override {
        auto fetch = [&] {
            ArrayRoute* below = ArrayRouteBelow(this);
            return below ? below->Element(array, index, element)
                         : SafeArrayGetElement(array, &index, element);
        };
        std::optional<ArrayInfo> info = core_->FindArray(array);
        if (!info)
            return fetch();
        Call call{Op::ArrayElement, info->id, 0, info->getter, index};
        return Through(
            *core_, call, element,
            [&] {
                HRESULT hr = fetch();
                if (SUCCEEDED(hr) && info->element) {
                    auto** slot = static_cast<IUnknown**>(element);
                    if (*slot)
                        *slot = info->element(core_, *slot, &call.produced);
                }
                return hr;
            },
            [&] { SafeArrayClearElement(SafeArrayGetKind(array), element); });
    }
    void Destroyed(SAFEARRAY* array) override {
        core_->ForgetArray(array);
        if (ArrayRoute* below = ArrayRouteBelow(this))
            below->Destroyed(array);
    }

  private:
    // A bound query on one of the layer's arrays passes the clients; the
    // others go on to the route below, or the plain call.
    HRESULT Bound(Op op, HRESULT (ArrayRoute::*onRoute)(SAFEARRAY*, LONG*),
                  HRESULT (*plain)(SAFEARRAY*, UINT, LONG*), SAFEARRAY* array, LONG* bound) {
        auto fetch = [&] {
            ArrayRoute* below = ArrayRouteBelow(this);
            return below ? (below->*onRoute)(array, bound) : plain(array, 1, bound);
        };
        std::optional<ArrayInfo> info = core_->FindArray(array);
        if (!info)
            return fetch();
        return Through(*core_, Call{op, info->id, 0, info->getter}, bound, fetch, [] {});
    }

    std::shared_ptr<LayerCore> core_;
};

// A class registered over the service's own: creates through the class
// registered below it (whichever that is at the time) and wraps what it made.
template <class Manager>
void WrapClass(ClassRegistration& slot, const std::shared_ptr<LayerCore>& core, const CLSID& clsid,
               Op op) {
    // The registration can only be asked for what lies below it once it exists.
    auto self = std::make_shared<const ClassRegistration*>(nullptr);
    slot = ClassRegistration(clsid, [core, self, clsid, op](REFIID iid, void** object) {
        Call call{op};
        return Through(*core, call, object, [&] {
            ClassFactory inner = ClassFactoryBelow(**self, clsid);
            if (!inner)
                return REGDB_E_CLASSNOTREG;
            HRESULT hr = inner(iid, object);
            if (SUCCEEDED(hr) && *object && iid == Manager::kIid)
                *object = static_cast<Manager*>(
                    Wrap<Manager>(core, static_cast<Manager*>(*object), &call.produced));
            return hr;
        });
    });
    *self = &slot;
}

// A listing's outcome as the clients see it, and back: S_OK, E_NOTIMPL for an
// unavailable listing, or a failure.
AdapterListing ToListing(HRESULT status) {
    if (status == S_OK)
        return AdapterListing::Listed;
    return status == E_NOTIMPL ? AdapterListing::Unavailable : AdapterListing::Failed;
}

HRESULT FromListing(AdapterListing listing) {
    if (listing == AdapterListing::Listed)
        return S_OK;
    return listing == AdapterListing::Unavailable ? E_NOTIMPL : E_FAIL;
}

}  // namespace

struct Layer::Installation {
    ClassRegistration interfaceManager;
    ClassRegistration connectionManager;
    ClassRegistration profileManager;
    std::optional<AdapterListerOverride> adapters;
    std::optional<Route> route;
};

Layer::Layer(std::vector<Client*> clients)
    : core_(std::make_shared<LayerCore>(std::move(clients))),
      installation_(std::make_unique<Installation>()) {
    WrapClass<IMbnInterfaceManager>(installation_->interfaceManager, core_,
                                    CLSID_MbnInterfaceManager, Op::CreateInterfaceManager);
    WrapClass<IMbnConnectionManager>(installation_->connectionManager, core_,
                                     CLSID_MbnConnectionManager, Op::CreateConnectionManager);
    WrapClass<IMbnConnectionProfileManager>(installation_->profileManager, core_,
                                            CLSID_MbnConnectionProfileManager,
                                            Op::CreateConnectionProfileManager);
    // The listing below is the one this override replaces; an override can
    // only call it once it exists, hence the indirection.
    auto self = std::make_shared<const AdapterListerOverride*>(nullptr);
    installation_->adapters.emplace([core = core_, self](std::vector<AdapterRecord>& records) {
        return ToListing(Through(
            *core, Call{Op::ListAdapters}, &records,
            [&] { return FromListing((*self)->ListBelow(records)); }, [&] { records.clear(); }));
    });
    *self = &*installation_->adapters;
    installation_->route.emplace(core_);
}

Layer::~Layer() {
    core_->Detach();
    installation_.reset();  // its members go in reverse order of installation
}

}  // namespace paravue::intercept

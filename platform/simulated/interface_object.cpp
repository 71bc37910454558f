#include "platform/simulated/interface_object.h"

#include "platform/simulated/hand_out.h"
#include "platform/simulated/interface_parts.h"
#include "platform/simulated/make_object.h"

namespace paravue::simulated {
namespace {

// Hands out the object made from one part of the interface, or the part's
// failure. `make` gets the part kept alive by the whole snapshot.
template <class Part, class Out, class Make>
HRESULT HandOutPart(const std::shared_ptr<const Interface>& owner, const Field<Part>& field,
                    Out** out, Make make) {
    if (out)
        *out = nullptr;
    if (!out)
        return E_POINTER;
    if (field.Failed())
        return field.status;
    auto object = make(std::shared_ptr<const Part>(owner, &field.value));
    if (!object)
        return E_OUTOFMEMORY;
    *out = object.Detach();
    return field.status;
}

}  // namespace

InterfaceObject::InterfaceObject(std::shared_ptr<const Interface> data) : data_(std::move(data)) {}

HRESULT InterfaceObject::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IMbnSignal)
        return HandOutPart(data_, data_->signal, object, MakeSignalObject);
    if (iid == IID_IMbnRegistration)
        return HandOutPart(data_, data_->registration, object, MakeRegistrationObject);
    if (iid == IID_IMbnConnectionContext)
        return HandOutPart(data_, data_->connectionContext, object, MakeConnectionContextObject);
    if (iid == IID_IMbnRadio)
        return HandOutPart(data_, data_->radio, object, MakeRadioObject);
    return Base::QueryInterface(iid, object);
}

HRESULT InterfaceObject::get_InterfaceID(BSTR* interfaceId) {
    return HandOut(data_->interfaceId, interfaceId);
}

HRESULT InterfaceObject::GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) {
    return HandOut(data_->capabilities, capabilities);
}

HRESULT InterfaceObject::GetSubscriberInformation(IMbnSubscriberInformation** subscriber) {
    return HandOutPart(data_, data_->subscriber, subscriber, MakeSubscriberObject);
}

HRESULT InterfaceObject::GetReadyState(MBN_READY_STATE* readyState) {
    return HandOut(data_->readyState, readyState);
}

HRESULT InterfaceObject::InEmergencyMode(VARIANT_BOOL* emergencyMode) {
    return HandOut(data_->emergencyMode, emergencyMode);
}

HRESULT InterfaceObject::GetHomeProvider(MBN_PROVIDER* homeProvider) {
    return HandOut(data_->homeProvider, homeProvider);
}

HRESULT InterfaceObject::GetPreferredProviders(SAFEARRAY** preferredProviders) {
    return HandOutArray(data_->preferredProviders, SafeArrayKind::MbnProvider, preferredProviders);
}

HRESULT InterfaceObject::GetConnection(IMbnConnection** connection) {
    return HandOutPart(data_, data_->connection, connection, MakeConnectionObject);
}

std::shared_ptr<const Interface> InterfaceAt(const std::shared_ptr<const Scenario>& state,
                                             std::size_t index) {
    if (!state || state->interfaces.Failed())
        return nullptr;
    const auto& items = state->interfaces.value.items;
    if (index >= items.size() || items[index].Failed())
        return nullptr;
    return std::shared_ptr<const Interface>(state, &items[index].value);
}

ComPtr<IMbnInterface> MakeInterfaceObject(std::shared_ptr<const Interface> data) {
    return MakeObjectAs<IMbnInterface, InterfaceObject>(std::move(data));
}

InterfaceObject* AsInterfaceObject(IMbnInterface* object) {
    return dynamic_cast<InterfaceObject*>(object);
}

}  // namespace paravue::simulated

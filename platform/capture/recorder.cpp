#include "platform/capture/recorder.h"

#include <utility>

#include "platform/bstr.h"

namespace paravue::capture {

using intercept::Call;
using intercept::Op;
using namespace simulated;

namespace {

String ToString(BSTR text) {
    if (!text)
        return std::nullopt;
    return std::u16string(BstrView(text));
}

template <class T>
void SetValue(Field<T>& field, HRESULT status, T value) {
    field = FAILED(status) ? Field<T>::Failure(status) : Field<T>(status, std::move(value));
}

// An object handed out: its status; its fields are filled by its own calls.
template <class T>
void SetObject(Field<T>& field, HRESULT status) {
    if (FAILED(status))
        field = Field<T>::Failure(status);
    else
        field.status = status;
}

Capabilities ToCapabilities(const MBN_INTERFACE_CAPS& caps) {
    return {caps.cellularClass,
            caps.voiceClass,
            caps.dataClass,
            ToString(caps.customDataClass),
            caps.gsmBandClass,
            caps.cdmaBandClass,
            ToString(caps.customBandClass),
            caps.smsCaps,
            caps.controlCaps,
            ToString(caps.deviceID),
            ToString(caps.manufacturer),
            ToString(caps.model),
            ToString(caps.firmwareInfo)};
}

Provider ToProvider(const MBN_PROVIDER& provider) {
    return {ToString(provider.providerID), provider.providerState, ToString(provider.providerName),
            provider.dataClass};
}

Context ToContext(const MBN_CONTEXT& context) {
    return {context.contextID,
            context.contextType,
            ToString(context.accessString),
            ToString(context.userName),
            ToString(context.password),
            context.compression,
            context.authType};
}

// The slot of `index` in an array whose bounds the run read (or assumes).
// Null for an index below the lower bound, which no fetch can succeed on.
template <class T>
Field<T>* Slot(Array<T>& array, LONG index) {
    std::int64_t offset = std::int64_t{index} - array.lowerBound;
    if (offset < 0)
        return nullptr;
    if (static_cast<std::size_t>(offset) >= array.items.size())
        array.items.resize(static_cast<std::size_t>(offset) + 1);
    return &array.items[static_cast<std::size_t>(offset)];
}

template <class T>
T ValueOf(void* out) {
    return *static_cast<T*>(out);
}

}  // namespace

void Recorder::AfterCall(const Call& call, HRESULT status, void* out) {
    std::lock_guard lock(mutex_);
    Record(call, status, out);
}

Scenario Recorder::Result() const {
    std::lock_guard lock(mutex_);
    return scenario_;
}

void Recorder::Record(const Call& call, HRESULT status, void* out) {
    // Out-parameters hold something only when the call succeeded.
    const bool ok = SUCCEEDED(status);
    auto bstr = [&] { return ok ? ToString(*static_cast<BSTR*>(out)) : String(); };
    auto on = [&](auto& refs) -> std::remove_reference_t<decltype(refs.begin()->second())>* {
        auto found = refs.find(call.target);
        return found == refs.end() ? nullptr : &found->second();
    };
    switch (call.op) {
        case Op::CreateInterfaceManager:
            SetObject(scenario_.interfaceManager, status);
            return;
        case Op::CreateConnectionManager:
            SetObject(scenario_.connectionManager, status);
            return;
        case Op::CreateConnectionProfileManager:
            SetObject(scenario_.connectionProfileManager, status);
            return;
        case Op::GetInterfaces:
            SetObject(scenario_.interfaces, status);
            if (ok)
                arrays_[call.produced] = Ref<Field<Array<Interface>>>(
                    [this]() -> Field<Array<Interface>>& { return scenario_.interfaces; });
            return;
        case Op::GetConnections: {
            auto& connections = scenario_.connectionManager.value.connections;
            if (!connections)
                connections.emplace();
            SetObject(*connections, status);
            if (ok)
                arrays_[call.produced] =
                    Ref<Field<Array<Connection>>>([this]() -> Field<Array<Connection>>& {
                        return *scenario_.connectionManager.value.connections;
                    });
            return;
        }
        case Op::GetConnectionProfiles: {
            auto owner = interfaces_.find(call.argument);
            if (owner == interfaces_.end())
                return;
            Ref<Interface> mbn = owner->second;
            SetObject(mbn().connectionProfiles, status);
            if (ok)
                arrays_[call.produced] = Ref<Field<Array<Profile>>>(
                    [mbn]() -> Field<Array<Profile>>& { return mbn().connectionProfiles; });
            return;
        }
        case Op::ArrayLowerBound:
        case Op::ArrayUpperBound:
        case Op::ArrayElement:
            RecordArrayCall(call, status, out);
            return;
        case Op::GetSubscriberId:
            if (Subscriber* s = on(subscribers_))
                SetValue(s->subscriberId, status, bstr());
            return;
        case Op::GetSimIccId:
            if (Subscriber* s = on(subscribers_))
                SetValue(s->simIccId, status, bstr());
            return;
        case Op::GetTelephoneNumbers:
            if (Subscriber* s = on(subscribers_)) {
                SetObject(s->telephoneNumbers, status);
                Ref<Subscriber> subscriber = subscribers_[call.target];
                if (ok)
                    arrays_[call.produced] =
                        Ref<Field<Array<String>>>([subscriber]() -> Field<Array<String>>& {
                            return subscriber().telephoneNumbers;
                        });
            }
            return;
        case Op::GetSignalStrength:
            if (Signal* s = on(signals_))
                SetValue(s->strength, status, ok ? ValueOf<ULONG>(out) : 0);
            return;
        case Op::GetSignalError:
            if (Signal* s = on(signals_))
                SetValue(s->error, status, ok ? ValueOf<ULONG>(out) : 0);
            return;
        case Op::GetRegisterState:
            if (Registration* r = on(registrations_))
                SetValue(r->registerState, status,
                         ok ? ValueOf<MBN_REGISTER_STATE>(out) : MBN_REGISTER_STATE_NONE);
            return;
        case Op::GetRegisterMode:
            if (Registration* r = on(registrations_))
                SetValue(r->registerMode, status,
                         ok ? ValueOf<MBN_REGISTER_MODE>(out) : MBN_REGISTER_MODE_NONE);
            return;
        case Op::GetProviderId:
            if (Registration* r = on(registrations_))
                SetValue(r->providerId, status, bstr());
            return;
        case Op::GetProviderName:
            if (Registration* r = on(registrations_))
                SetValue(r->providerName, status, bstr());
            return;
        case Op::GetRoamingText:
            if (Registration* r = on(registrations_))
                SetValue(r->roamingText, status, bstr());
            return;
        case Op::GetAvailableDataClasses:
            if (Registration* r = on(registrations_))
                SetValue(r->availableDataClasses, status, ok ? ValueOf<ULONG>(out) : 0);
            return;
        case Op::GetCurrentDataClass:
            if (Registration* r = on(registrations_))
                SetValue(r->currentDataClass, status, ok ? ValueOf<ULONG>(out) : 0);
            return;
        case Op::GetRegistrationNetworkError:
            if (Registration* r = on(registrations_))
                SetValue(r->registrationNetworkError, status, ok ? ValueOf<ULONG>(out) : 0);
            return;
        case Op::GetPacketAttachNetworkError:
            if (Registration* r = on(registrations_))
                SetValue(r->packetAttachNetworkError, status, ok ? ValueOf<ULONG>(out) : 0);
            return;
        case Op::GetProvisionedContexts:
            if (ConnectionContext* c = on(contexts_)) {
                SetObject(c->provisionedContexts, status);
                Ref<ConnectionContext> context = contexts_[call.target];
                if (ok)
                    arrays_[call.produced] =
                        Ref<Field<Array<Context>>>([context]() -> Field<Array<Context>>& {
                            return context().provisionedContexts;
                        });
            }
            return;
        case Op::GetSoftwareRadioState:
            if (Radio* r = on(radios_))
                SetValue(r->software, status, ok ? ValueOf<MBN_RADIO>(out) : MBN_RADIO_OFF);
            return;
        case Op::GetHardwareRadioState:
            if (Radio* r = on(radios_))
                SetValue(r->hardware, status, ok ? ValueOf<MBN_RADIO>(out) : MBN_RADIO_OFF);
            return;
        case Op::GetConnectionId:
            if (Connection* c = on(connections_))
                SetValue(c->connectionId, status, bstr());
            return;
        case Op::GetConnectionState:
            if (Connection* c = on(connections_)) {
                ConnectionState state;
                if (ok) {
                    auto* parts = static_cast<intercept::ConnectionStateOut*>(out);
                    state.activationState = *parts->activationState;
                    state.profileName = ToString(*parts->profileName);
                }
                SetValue(c->connectionState, status, std::move(state));
            }
            return;
        case Op::GetProfileXmlData:
            if (Profile* p = on(profiles_))
                SetValue(p->xml, status, bstr());
            return;
        case Op::ListAdapters:
            if (status == S_OK) {
                // Only the records the look-up goes by: the host's other
                // network interfaces are none of the device's business.
                const auto& records = *static_cast<std::vector<AdapterRecord>*>(out);
                std::vector<Adapter> adapters;
                for (const AdapterRecord* record : MatchingAdapters(records, lastInterfaceId_))
                    adapters.push_back({record->name, record->description});
                // A list that is not empty but names nothing, so that the
                // look-up on replay neither matches nor waits for adapters.
                if (adapters.empty() && !records.empty())
                    adapters.push_back({std::nullopt, u""});
                scenario_.adapters = std::move(adapters);
            } else if (status != E_NOTIMPL && !scenario_.adapters) {
                // A listing that failed: an empty list fails the look-up the same way.
                scenario_.adapters.emplace();
            }
            return;
        default:
            RecordOnInterface(call, status, out);
            return;
    }
}

void Recorder::RecordOnInterface(const Call& call, HRESULT status, void* out) {
    auto found = interfaces_.find(call.target);
    if (found == interfaces_.end())
        return;
    Ref<Interface> mbn = found->second;
    Interface& i = mbn();
    const bool ok = SUCCEEDED(status);
    // Parts are reached again through the interface, wherever it lives.
    auto part = [&](auto& refs, auto member) {
        SetObject(i.*member, status);
        if (ok)
            refs[call.produced] = [ mbn, member ]() -> auto& {
                return (mbn().*member).value;
            };
    };
    switch (call.op) {
        case Op::GetInterfaceId:
            SetValue(i.interfaceId, status, ok ? ToString(*static_cast<BSTR*>(out)) : String());
            lastInterfaceId_ = i.interfaceId.value.value_or(u"");
            return;
        case Op::GetInterfaceCapability:
            SetValue(i.capabilities, status,
                     ok ? ToCapabilities(*static_cast<MBN_INTERFACE_CAPS*>(out)) : Capabilities{});
            return;
        case Op::GetReadyState:
            SetValue(i.readyState, status,
                     ok ? ValueOf<MBN_READY_STATE>(out) : MBN_READY_STATE_OFF);
            return;
        case Op::InEmergencyMode:
            SetValue(i.emergencyMode, status, ok ? ValueOf<VARIANT_BOOL>(out) : VARIANT_BOOL{0});
            return;
        case Op::GetHomeProvider:
            SetValue(i.homeProvider, status,
                     ok ? ToProvider(*static_cast<MBN_PROVIDER*>(out)) : Provider{});
            return;
        case Op::GetPreferredProviders:
            SetObject(i.preferredProviders, status);
            if (ok)
                arrays_[call.produced] = Ref<Field<Array<Provider>>>(
                    [mbn]() -> Field<Array<Provider>>& { return mbn().preferredProviders; });
            return;
        case Op::GetSubscriberInformation:
            part(subscribers_, &Interface::subscriber);
            return;
        case Op::GetConnection:
            part(connections_, &Interface::connection);
            return;
        case Op::QuerySignal:
            part(signals_, &Interface::signal);
            return;
        case Op::QueryRegistration:
            part(registrations_, &Interface::registration);
            return;
        case Op::QueryConnectionContext:
            part(contexts_, &Interface::connectionContext);
            return;
        case Op::QueryRadio:
            part(radios_, &Interface::radio);
            return;
        default:
            return;
    }
}

void Recorder::RecordArrayCall(const Call& call, HRESULT status, void* out) {
    auto found = arrays_.find(call.target);
    if (found == arrays_.end())
        return;
    const bool ok = SUCCEEDED(status);
    std::visit(
        [&](auto& ref) {
            auto& field = ref();
            auto& array = field.value;
            using Item = typename std::decay_t<decltype(array.items)>::value_type;
            using T = std::decay_t<decltype(std::declval<Item>().value)>;
            if (call.op == Op::ArrayLowerBound) {
                if (ok)
                    array.lowerBound = ValueOf<LONG>(out);
                else
                    array.lowerBoundStatus = status;
                return;
            }
            if (call.op == Op::ArrayUpperBound) {
                if (!ok) {
                    array.upperBoundStatus = status;
                    return;
                }
                std::int64_t count = std::int64_t{ValueOf<LONG>(out)} - array.lowerBound + 1;
                if (count > 0 && static_cast<std::size_t>(count) > array.items.size())
                    array.items.resize(static_cast<std::size_t>(count));
                return;
            }
            Field<T>* slot = Slot(array, call.index);
            if (!slot)
                return;
            if (!ok) {
                *slot = Field<T>::Failure(status);
                return;
            }
            slot->status = S_OK;
            std::size_t offset =
                static_cast<std::size_t>(std::int64_t{call.index} - array.lowerBound);
            if constexpr (std::is_same_v<T, String>) {
                slot->value = ToString(*static_cast<BSTR*>(out));
            } else if constexpr (std::is_same_v<T, Context>) {
                slot->value = ToContext(*static_cast<MBN_CONTEXT*>(out));
            } else if constexpr (std::is_same_v<T, Provider>) {
                slot->value = ToProvider(*static_cast<MBN_PROVIDER*>(out));
            } else {
                auto element = [ref, offset]() -> T& { return ref().value.items[offset].value; };
                if constexpr (std::is_same_v<T, Interface>)
                    interfaces_[call.produced] = element;
                else if constexpr (std::is_same_v<T, Connection>)
                    connections_[call.produced] = element;
                else
                    profiles_[call.produced] = element;
            }
        },
        found->second);
}

}  // namespace paravue::capture

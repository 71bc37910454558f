#include "platform/intercept/wrappers.h"

#include <utility>

#include "platform/com_object.h"

namespace paravue::intercept {
namespace {

// Offers the wrapper itself for its own interface and the wrapped object for
// any other (connection points and the like are not a run's calls).
template <class Derived, class Interface>
class Wrapper : public ServiceObject<Derived, Interface> {
  public:
    Wrapper(std::shared_ptr<LayerCore> core, Interface* inner)
        : core_(std::move(core)), inner_(ComPtr<Interface>::Adopt(inner)), id_(core_->NewId()) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == Interface::kIid) {
            this->AddRef();
            *object = static_cast<Interface*>(this);
            return S_OK;
        }
        return inner_->QueryInterface(iid, object);
    }

    std::uint64_t Id() const { return id_; }
    Interface* Inner() const { return inner_.Get(); }

  protected:
    ~Wrapper() = default;

    // A getter of a plain value, string or record.
    template <class T, class Method>
    HRESULT Value(Op op, Method method, T* out) {
        Call call{op, id_};
        return Through(
            *core_, call, out, [&] { return (inner_.Get()->*method)(out); },
            [&] {
                if (out)
                    *out = T{};
            });
    }

    // A getter of an object, handed out wrapped.
    template <class W, class Out, class Invoke>
    HRESULT Object(Op op, Out** out, Invoke&& invoke) {
        Call call{op, id_};
        return Through(
            *core_, call, out,
            [&] {
                HRESULT hr = invoke();
                if (SUCCEEDED(hr) && out && *out) {
                    ComPtr<W> wrapper = MakeComObject<W>(core_, *out);
                    call.produced = wrapper->Id();
                    *out = wrapper.Detach();
                }
                return hr;
            },
            [&] {
                if (out)
                    *out = nullptr;
            });
    }

    // A getter of an array, registered so that its calls pass the layer too.
    template <class Method>
    HRESULT Array(Op op, const char* name, ElementKind element, Method method, SAFEARRAY** out) {
        Call call{op, id_, 0, name};
        return Through(
            *core_, call, out,
            [&] {
                HRESULT hr = (inner_.Get()->*method)(out);
                if (SUCCEEDED(hr) && out && *out)
                    call.produced = core_->AddArray(*out, name, element);
                return hr;
            },
            [&] {
                if (out)
                    *out = nullptr;
            });
    }

    std::shared_ptr<LayerCore> core_;
    ComPtr<Interface> inner_;
    const std::uint64_t id_;
};

class ProfileWrapper final : public Wrapper<ProfileWrapper, IMbnConnectionProfile> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetProfileXmlData(BSTR* profileData) override {
        return Value(Op::GetProfileXmlData, &IMbnConnectionProfile::GetProfileXmlData, profileData);
    }
};

class ConnectionWrapper final : public Wrapper<ConnectionWrapper, IMbnConnection> {
  public:
    using Wrapper::Wrapper;
    HRESULT get_ConnectionID(BSTR* connectionId) override {
        return Value(Op::GetConnectionId, &IMbnConnection::get_ConnectionID, connectionId);
    }
    HRESULT GetConnectionState(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) override {
        ConnectionStateOut out{activationState, profileName};
        Call call{Op::GetConnectionState, id_};
        return Through(
            *core_, call, &out,
            [&] { return inner_->GetConnectionState(activationState, profileName); },
            [&] {
                if (activationState)
                    *activationState = MBN_ACTIVATION_STATE_NONE;
                if (profileName)
                    *profileName = nullptr;
            });
    }
};

class SubscriberWrapper final : public Wrapper<SubscriberWrapper, IMbnSubscriberInformation> {
  public:
    using Wrapper::Wrapper;
    HRESULT get_SubscriberID(BSTR* subscriberId) override {
        return Value(Op::GetSubscriberId, &IMbnSubscriberInformation::get_SubscriberID,
                     subscriberId);
    }
    HRESULT get_SimIccID(BSTR* simIccId) override {
        return Value(Op::GetSimIccId, &IMbnSubscriberInformation::get_SimIccID, simIccId);
    }
    HRESULT get_TelephoneNumbers(SAFEARRAY** telephoneNumbers) override {
        return Array(Op::GetTelephoneNumbers, "telephoneNumbers", ElementKind::Value,
                     &IMbnSubscriberInformation::get_TelephoneNumbers, telephoneNumbers);
    }
};

class SignalWrapper final : public Wrapper<SignalWrapper, IMbnSignal> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetSignalStrength(ULONG* signalStrength) override {
        return Value(Op::GetSignalStrength, &IMbnSignal::GetSignalStrength, signalStrength);
    }
    HRESULT GetSignalError(ULONG* signalError) override {
        return Value(Op::GetSignalError, &IMbnSignal::GetSignalError, signalError);
    }
};

class RegistrationWrapper final : public Wrapper<RegistrationWrapper, IMbnRegistration> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetRegisterState(MBN_REGISTER_STATE* registerState) override {
        return Value(Op::GetRegisterState, &IMbnRegistration::GetRegisterState, registerState);
    }
    HRESULT GetRegisterMode(MBN_REGISTER_MODE* registerMode) override {
        return Value(Op::GetRegisterMode, &IMbnRegistration::GetRegisterMode, registerMode);
    }
    HRESULT GetProviderID(BSTR* providerId) override {
        return Value(Op::GetProviderId, &IMbnRegistration::GetProviderID, providerId);
    }
    HRESULT GetProviderName(BSTR* providerName) override {
        return Value(Op::GetProviderName, &IMbnRegistration::GetProviderName, providerName);
    }
    HRESULT GetRoamingText(BSTR* roamingText) override {
        return Value(Op::GetRoamingText, &IMbnRegistration::GetRoamingText, roamingText);
    }
    HRESULT GetAvailableDataClasses(ULONG* availableDataClasses) override {
        return Value(Op::GetAvailableDataClasses, &IMbnRegistration::GetAvailableDataClasses,
                     availableDataClasses);
    }
    HRESULT GetCurrentDataClass(ULONG* currentDataClass) override {
        return Value(Op::GetCurrentDataClass, &IMbnRegistration::GetCurrentDataClass,
                     currentDataClass);
    }
    HRESULT GetRegistrationNetworkError(ULONG* registrationNetworkError) override {
        return Value(Op::GetRegistrationNetworkError,
                     &IMbnRegistration::GetRegistrationNetworkError, registrationNetworkError);
    }
    HRESULT GetPacketAttachNetworkError(ULONG* packetAttachNetworkError) override {
        return Value(Op::GetPacketAttachNetworkError,
                     &IMbnRegistration::GetPacketAttachNetworkError, packetAttachNetworkError);
    }
};

class ConnectionContextWrapper final
    : public Wrapper<ConnectionContextWrapper, IMbnConnectionContext> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetProvisionedContexts(SAFEARRAY** provisionedContexts) override {
        return Array(Op::GetProvisionedContexts, "provisionedContexts", ElementKind::Value,
                     &IMbnConnectionContext::GetProvisionedContexts, provisionedContexts);
    }
};

class RadioWrapper final : public Wrapper<RadioWrapper, IMbnRadio> {
  public:
    using Wrapper::Wrapper;
    HRESULT get_SoftwareRadioState(MBN_RADIO* softwareRadioState) override {
        return Value(Op::GetSoftwareRadioState, &IMbnRadio::get_SoftwareRadioState,
                     softwareRadioState);
    }
    HRESULT get_HardwareRadioState(MBN_RADIO* hardwareRadioState) override {
        return Value(Op::GetHardwareRadioState, &IMbnRadio::get_HardwareRadioState,
                     hardwareRadioState);
    }
};

class InterfaceWrapper final : public Wrapper<InterfaceWrapper, IMbnInterface> {
  public:
    using Wrapper::Wrapper;

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IMbnSignal)
            return Part<SignalWrapper>(Op::QuerySignal, iid, object);
        if (iid == IID_IMbnRegistration)
            return Part<RegistrationWrapper>(Op::QueryRegistration, iid, object);
        if (iid == IID_IMbnConnectionContext)
            return Part<ConnectionContextWrapper>(Op::QueryConnectionContext, iid, object);
        if (iid == IID_IMbnRadio)
            return Part<RadioWrapper>(Op::QueryRadio, iid, object);
        return Wrapper::QueryInterface(iid, object);
    }
    HRESULT get_InterfaceID(BSTR* interfaceId) override {
        return Value(Op::GetInterfaceId, &IMbnInterface::get_InterfaceID, interfaceId);
    }
    HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) override {
        return Value(Op::GetInterfaceCapability, &IMbnInterface::GetInterfaceCapability,
                     capabilities);
    }
    HRESULT GetSubscriberInformation(IMbnSubscriberInformation** subscriber) override {
        return Object<SubscriberWrapper>(Op::GetSubscriberInformation, subscriber, [&] {
            return inner_->GetSubscriberInformation(subscriber);
        });
    }
    HRESULT GetReadyState(MBN_READY_STATE* readyState) override {
        return Value(Op::GetReadyState, &IMbnInterface::GetReadyState, readyState);
    }
    HRESULT InEmergencyMode(VARIANT_BOOL* emergencyMode) override {
        return Value(Op::InEmergencyMode, &IMbnInterface::InEmergencyMode, emergencyMode);
    }
    HRESULT GetHomeProvider(MBN_PROVIDER* homeProvider) override {
        return Value(Op::GetHomeProvider, &IMbnInterface::GetHomeProvider, homeProvider);
    }
    HRESULT GetPreferredProviders(SAFEARRAY** preferredProviders) override {
        return Array(Op::GetPreferredProviders, "preferredProviders", ElementKind::Value,
                     &IMbnInterface::GetPreferredProviders, preferredProviders);
    }
    HRESULT GetConnection(IMbnConnection** connection) override {
        return Object<ConnectionWrapper>(Op::GetConnection, connection,
                                         [&] { return inner_->GetConnection(connection); });
    }

  private:
    template <class W>
    HRESULT Part(Op op, REFIID iid, void** object) {
        using Out = std::remove_pointer_t<decltype(std::declval<W&>().Inner())>;
        Out** typed = reinterpret_cast<Out**>(object);
        return Object<W>(op, typed, [&] { return inner_->QueryInterface(iid, object); });
    }
};

class InterfaceManagerWrapper final
    : public Wrapper<InterfaceManagerWrapper, IMbnInterfaceManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetInterfaces(SAFEARRAY** interfaces) override {
        return Array(Op::GetInterfaces, "interfaces", ElementKind::Interface,
                     &IMbnInterfaceManager::GetInterfaces, interfaces);
    }
};

class ConnectionManagerWrapper final
    : public Wrapper<ConnectionManagerWrapper, IMbnConnectionManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetConnections(SAFEARRAY** connections) override {
        return Array(Op::GetConnections, "connections", ElementKind::Connection,
                     &IMbnConnectionManager::GetConnections, connections);
    }
};

class ProfileManagerWrapper final
    : public Wrapper<ProfileManagerWrapper, IMbnConnectionProfileManager> {
  public:
    using Wrapper::Wrapper;
    HRESULT GetConnectionProfiles(IMbnInterface* mbnInterface,
                                  SAFEARRAY** connectionProfiles) override {
        // The service gets its own object back, and the clients learn which one it was.
        auto* wrapped = dynamic_cast<InterfaceWrapper*>(mbnInterface);
        IMbnInterface* inner = wrapped ? wrapped->Inner() : mbnInterface;
        Call call{Op::GetConnectionProfiles, id_, 0, "connectionProfiles"};
        call.argument = wrapped ? wrapped->Id() : 0;
        return Through(
            *core_, call, connectionProfiles,
            [&] {
                HRESULT hr = inner_->GetConnectionProfiles(inner, connectionProfiles);
                if (SUCCEEDED(hr) && connectionProfiles && *connectionProfiles)
                    call.produced = core_->AddArray(*connectionProfiles, "connectionProfiles",
                                                    ElementKind::Profile);
                return hr;
            },
            [&] {
                if (connectionProfiles)
                    *connectionProfiles = nullptr;
            });
    }
};

template <class W, class I>
I* WrapAs(const std::shared_ptr<LayerCore>& core, I* inner, std::uint64_t* id) {
    ComPtr<W> wrapper = MakeComObject<W>(core, inner);
    *id = wrapper->Id();
    return wrapper.Detach();
}

}  // namespace

IMbnInterfaceManager* WrapInterfaceManager(const std::shared_ptr<LayerCore>& core,
                                           IMbnInterfaceManager* inner, std::uint64_t* id) {
    return WrapAs<InterfaceManagerWrapper>(core, inner, id);
}

IMbnConnectionManager* WrapConnectionManager(const std::shared_ptr<LayerCore>& core,
                                             IMbnConnectionManager* inner, std::uint64_t* id) {
    return WrapAs<ConnectionManagerWrapper>(core, inner, id);
}

IMbnConnectionProfileManager* WrapProfileManager(const std::shared_ptr<LayerCore>& core,
                                                 IMbnConnectionProfileManager* inner,
                                                 std::uint64_t* id) {
    return WrapAs<ProfileManagerWrapper>(core, inner, id);
}

IUnknown* WrapElement(const std::shared_ptr<LayerCore>& core, ElementKind kind, IUnknown* inner,
                      std::uint64_t* id) {
    // Array slots hold the pointer of the interface the reader fetches into.
    switch (kind) {
        case ElementKind::Interface:
            return WrapAs<InterfaceWrapper>(core, static_cast<IMbnInterface*>(inner), id);
        case ElementKind::Connection:
            return WrapAs<ConnectionWrapper>(core, static_cast<IMbnConnection*>(inner), id);
        case ElementKind::Profile:
            return WrapAs<ProfileWrapper>(core, static_cast<IMbnConnectionProfile*>(inner), id);
        case ElementKind::Value:
            break;
    }
    *id = 0;
    return inner;
}

}  // namespace paravue::intercept

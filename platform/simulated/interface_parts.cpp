#include "platform/simulated/interface_parts.h"

#include "platform/com_object.h"
#include "platform/simulated/hand_out.h"
#include "platform/simulated/make_object.h"

namespace paravue::simulated {
namespace {

class SubscriberObject final : public ServiceObject<SubscriberObject, IMbnSubscriberInformation> {
  public:
    explicit SubscriberObject(std::shared_ptr<const Subscriber> part) : part_(std::move(part)) {}

    HRESULT get_SubscriberID(BSTR* subscriberId) override {
        return HandOut(part_->subscriberId, subscriberId);
    }
    HRESULT get_SimIccID(BSTR* simIccId) override { return HandOut(part_->simIccId, simIccId); }
    HRESULT get_TelephoneNumbers(SAFEARRAY** telephoneNumbers) override {
        return HandOutArray(part_->telephoneNumbers, SafeArrayKind::Bstr, telephoneNumbers);
    }

  private:
    std::shared_ptr<const Subscriber> part_;
};

class SignalObject final : public ServiceObject<SignalObject, IMbnSignal> {
  public:
    explicit SignalObject(std::shared_ptr<const Signal> part) : part_(std::move(part)) {}

    HRESULT GetSignalStrength(ULONG* signalStrength) override {
        return HandOut(part_->strength, signalStrength);
    }
    HRESULT GetSignalError(ULONG* signalError) override {
        return HandOut(part_->error, signalError);
    }

  private:
    std::shared_ptr<const Signal> part_;
};

class RegistrationObject final : public ServiceObject<RegistrationObject, IMbnRegistration> {
  public:
    explicit RegistrationObject(std::shared_ptr<const Registration> part)
        : part_(std::move(part)) {}

    HRESULT GetRegisterState(MBN_REGISTER_STATE* registerState) override {
        return HandOut(part_->registerState, registerState);
    }
    HRESULT GetRegisterMode(MBN_REGISTER_MODE* registerMode) override {
        return HandOut(part_->registerMode, registerMode);
    }
    HRESULT GetProviderID(BSTR* providerId) override {
        return HandOut(part_->providerId, providerId);
    }
    HRESULT GetProviderName(BSTR* providerName) override {
        return HandOut(part_->providerName, providerName);
    }
    HRESULT GetRoamingText(BSTR* roamingText) override {
        return HandOut(part_->roamingText, roamingText);
    }
    HRESULT GetAvailableDataClasses(ULONG* availableDataClasses) override {
        return HandOut(part_->availableDataClasses, availableDataClasses);
    }
    HRESULT GetCurrentDataClass(ULONG* currentDataClass) override {
        return HandOut(part_->currentDataClass, currentDataClass);
    }
    HRESULT GetRegistrationNetworkError(ULONG* registrationNetworkError) override {
        return HandOut(part_->registrationNetworkError, registrationNetworkError);
    }
    HRESULT GetPacketAttachNetworkError(ULONG* packetAttachNetworkError) override {
        return HandOut(part_->packetAttachNetworkError, packetAttachNetworkError);
    }

  private:
    std::shared_ptr<const Registration> part_;
};

class ConnectionContextObject final
    : public ServiceObject<ConnectionContextObject, IMbnConnectionContext> {
  public:
    explicit ConnectionContextObject(std::shared_ptr<const ConnectionContext> part)
        : part_(std::move(part)) {}

    HRESULT GetProvisionedContexts(SAFEARRAY** provisionedContexts) override {
        return HandOutArray(part_->provisionedContexts, SafeArrayKind::MbnContext,
                            provisionedContexts);
    }

  private:
    std::shared_ptr<const ConnectionContext> part_;
};

class RadioObject final : public ServiceObject<RadioObject, IMbnRadio> {
  public:
    explicit RadioObject(std::shared_ptr<const Radio> part) : part_(std::move(part)) {}

    HRESULT get_SoftwareRadioState(MBN_RADIO* softwareRadioState) override {
        return HandOut(part_->software, softwareRadioState);
    }
    HRESULT get_HardwareRadioState(MBN_RADIO* hardwareRadioState) override {
        return HandOut(part_->hardware, hardwareRadioState);
    }

  private:
    std::shared_ptr<const Radio> part_;
};

class ConnectionObject final : public ServiceObject<ConnectionObject, IMbnConnection> {
  public:
    explicit ConnectionObject(std::shared_ptr<const Connection> part) : part_(std::move(part)) {}

    HRESULT get_ConnectionID(BSTR* connectionId) override {
        return HandOut(part_->connectionId, connectionId);
    }
    HRESULT GetConnectionState(MBN_ACTIVATION_STATE* activationState, BSTR* profileName) override {
        if (activationState)
            *activationState = MBN_ACTIVATION_STATE_NONE;
        if (profileName)
            *profileName = nullptr;
        if (!activationState || !profileName)
            return E_POINTER;
        const Field<ConnectionState>& state = part_->connectionState;
        if (state.Failed())
            return state.status;
        if (HRESULT hr = CopyOut(state.value.profileName, profileName); FAILED(hr))
            return hr;
        *activationState = state.value.activationState;
        return state.status;
    }

  private:
    std::shared_ptr<const Connection> part_;
};

}  // namespace

ComPtr<IMbnSubscriberInformation> MakeSubscriberObject(std::shared_ptr<const Subscriber> part) {
    return MakeObjectAs<IMbnSubscriberInformation, SubscriberObject>(std::move(part));
}
ComPtr<IMbnSignal> MakeSignalObject(std::shared_ptr<const Signal> part) {
    return MakeObjectAs<IMbnSignal, SignalObject>(std::move(part));
}
ComPtr<IMbnRegistration> MakeRegistrationObject(std::shared_ptr<const Registration> part) {
    return MakeObjectAs<IMbnRegistration, RegistrationObject>(std::move(part));
}
ComPtr<IMbnConnectionContext> MakeConnectionContextObject(
    std::shared_ptr<const ConnectionContext> part) {
    return MakeObjectAs<IMbnConnectionContext, ConnectionContextObject>(std::move(part));
}
ComPtr<IMbnRadio> MakeRadioObject(std::shared_ptr<const Radio> part) {
    return MakeObjectAs<IMbnRadio, RadioObject>(std::move(part));
}
ComPtr<IMbnConnection> MakeConnectionObject(std::shared_ptr<const Connection> part) {
    return MakeObjectAs<IMbnConnection, ConnectionObject>(std::move(part));
}

}  // namespace paravue::simulated

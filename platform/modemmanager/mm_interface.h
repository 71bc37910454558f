// One modem as a Mobile Broadband interface, with the signal, registration,
// connection-context and radio views the report queries from it.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <memory>
#include <optional>

#include "platform/com_object.h"
#include "platform/mbn.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_modem_reads.h"
#include "platform/modemmanager/nm_profile_mapping.h"

namespace paravue::mm {

class MmInterface final : public ServiceObject<MmInterface, IMbnInterface, IMbnSignal,
                                               IMbnRegistration, IMbnConnectionContext, IMbnRadio> {
  public:
    // `session`: a report run's reader, or the event thread's follower.
    MmInterface(std::shared_ptr<ModemReads> session, ModemRef modem);

    // Registration needs the modem's 3GPP or CDMA interface.
    HRESULT QueryInterface(REFIID iid, void** object) override;

    // IMbnInterface
    HRESULT get_InterfaceID(BSTR* interfaceId) override;
    HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) override;
    HRESULT GetSubscriberInformation(IMbnSubscriberInformation** subscriber) override;
    HRESULT GetReadyState(MBN_READY_STATE* readyState) override;
    HRESULT InEmergencyMode(VARIANT_BOOL* emergencyMode) override;
    HRESULT GetHomeProvider(MBN_PROVIDER* homeProvider) override;
    HRESULT GetPreferredProviders(SAFEARRAY** preferredProviders) override;
    HRESULT GetConnection(IMbnConnection** connection) override;

    // IMbnSignal
    HRESULT GetSignalStrength(ULONG* signalStrength) override;
    HRESULT GetSignalError(ULONG* signalError) override;

    // IMbnRegistration
    HRESULT GetRegisterState(MBN_REGISTER_STATE* registerState) override;
    HRESULT GetRegisterMode(MBN_REGISTER_MODE* registerMode) override;
    HRESULT GetProviderID(BSTR* providerId) override;
    HRESULT GetProviderName(BSTR* providerName) override;
    HRESULT GetRoamingText(BSTR* roamingText) override;
    HRESULT GetAvailableDataClasses(ULONG* availableDataClasses) override;
    HRESULT GetCurrentDataClass(ULONG* currentDataClass) override;
    HRESULT GetRegistrationNetworkError(ULONG* registrationNetworkError) override;
    HRESULT GetPacketAttachNetworkError(ULONG* packetAttachNetworkError) override;

    // IMbnConnectionContext
    HRESULT GetProvisionedContexts(SAFEARRAY** provisionedContexts) override;

    // IMbnRadio
    HRESULT get_SoftwareRadioState(MBN_RADIO* softwareRadioState) override;
    HRESULT get_HardwareRadioState(MBN_RADIO* hardwareRadioState) override;

    // What saved connections are matched against. A modem without a SIM has
    // no SIM values; a SIM that cannot be read is a failure.
    HRESULT ReadProfileTarget(ModemTarget* target);

  private:
    // The modem's SIM, read once per run; SIM-not-inserted when the modem
    // has none.
    HRESULT LoadSim(GObjectPtr<MMSim>* sim);
    HRESULT ContextsFromProfiles(SAFEARRAY** out);
    HRESULT ContextsFromBearers(SAFEARRAY** out);
    ULONG AvailableDataClasses() const;
    // The registration as the report reads it; none without 3GPP or CDMA.
    std::optional<MBN_REGISTER_STATE> RegisterState() const;

    std::shared_ptr<ModemReads> session_;
    ModemRef modem_;
};

}  // namespace paravue::mm

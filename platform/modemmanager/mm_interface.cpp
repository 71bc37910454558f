#include "platform/modemmanager/mm_interface.h"

#include "platform/linux/sysfs.h"
#include "platform/modemmanager/mm_connection.h"
#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_text.h"
#include "platform/modemmanager/mm_values.h"

namespace paravue::mm {

#define PARAVUE_MM_ENTER(...)           \
    if (!(__VA_ARGS__))                 \
        return E_POINTER;               \
    BusLink::Use use(session_->Link()); \
    if (!use.Ok())                      \
        return kWrongThread;            \
    [[maybe_unused]] MMModem* modem = modem_->modem.get()

MmInterface::MmInterface(std::shared_ptr<ModemReads> session, ModemRef modem)
    : session_(std::move(session)), modem_(std::move(modem)) {}

HRESULT MmInterface::QueryInterface(REFIID iid, void** object) {
    if (object && iid == IID_IMbnRegistration) {
        BusLink::Use use(session_->Link());
        if (use.Ok() && !modem_->gpp && !modem_->cdma) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
    }
    return ServiceObject::QueryInterface(iid, object);
}

HRESULT MmInterface::get_InterfaceID(BSTR* interfaceId) {
    PARAVUE_MM_ENTER(interfaceId);
    return NewBstr(InterfaceIdOf(modem), interfaceId);
}

HRESULT MmInterface::GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) {
    PARAVUE_MM_ENTER(capabilities);
    OwnedRecord<MBN_INTERFACE_CAPS> caps;
    MBN_INTERFACE_CAPS& c = caps.Mutable();
    const guint32 current = mm_modem_get_current_capabilities(modem);
    c.cellularClass = CellularClassFromCapabilities(current);
    c.voiceClass = modem_->voice ? MBN_VOICE_CLASS_SEPARATE_VOICE_DATA : MBN_VOICE_CLASS_NO_VOICE;
    c.dataClass = DataClassFromModes(SupportedModesOf(modem), current);
    if (HRESULT hr = NewBstrs({{"", &c.customDataClass},
                               {"", &c.customBandClass},
                               {mm_modem_get_equipment_identifier(modem), &c.deviceID},
                               {mm_modem_get_manufacturer(modem), &c.manufacturer},
                               {mm_modem_get_model(modem), &c.model},
                               {mm_modem_get_revision(modem), &c.firmwareInfo}});
        FAILED(hr))
        return hr;
    *capabilities = c;
    c = MBN_INTERFACE_CAPS{};  // the strings now belong to the caller
    return S_OK;
}

HRESULT MmInterface::LoadSim(GObjectPtr<MMSim>* sim) {
    MMModem* modem = modem_->modem.get();
    if (!HasSim(modem))
        return E_MBN_SIM_NOT_INSERTED;
    return session_->ReadSim(mm_modem_get_sim_path(modem), sim);
}

HRESULT MmInterface::GetSubscriberInformation(IMbnSubscriberInformation** subscriber) {
    PARAVUE_MM_ENTER(subscriber);
    *subscriber = nullptr;
    GObjectPtr<MMSim> sim;
    if (HRESULT hr = LoadSim(&sim); FAILED(hr))
        return hr;
    auto object =
        MakeComObject<MmSubscriber>(Text(mm_sim_get_imsi(sim.get())),
                                    Text(mm_sim_get_identifier(sim.get())), OwnNumbersOf(modem));
    *subscriber = object.Detach();
    return S_OK;
}

HRESULT MmInterface::ReadProfileTarget(ModemTarget* target) {
    PARAVUE_MM_ENTER(target);
    *target = ModemTarget{};
    target->deviceId = Text(mm_modem_get_device_identifier(modem));
    if (const char* control = mm_modem_get_primary_port(modem))
        target->ports.emplace_back(control);
    for (std::string& port : NetPortsOf(modem))
        target->ports.push_back(std::move(port));
    GObjectPtr<MMSim> sim;
    HRESULT hr = LoadSim(&sim);
    if (hr == E_MBN_SIM_NOT_INSERTED)
        return S_OK;
    if (FAILED(hr))
        return hr;
    target->simIccId = Text(mm_sim_get_identifier(sim.get()));
    target->simImsi = Text(mm_sim_get_imsi(sim.get()));
    target->simOperatorId = Text(mm_sim_get_operator_identifier(sim.get()));
    return S_OK;
}

HRESULT MmInterface::GetReadyState(MBN_READY_STATE* readyState) {
    PARAVUE_MM_ENTER(readyState);
    ReadyInputs inputs;
    inputs.state = mm_modem_get_state(modem);
    inputs.failedReason = mm_modem_get_state_failed_reason(modem);
    inputs.unlockRequired = mm_modem_get_unlock_required(modem);
    // Read from the cache: the accessor for it is deprecated in the library.
    GVariantPtr subscription(CachedProperty(modem_->gpp.get(), "SubscriptionState"));
    if (subscription && g_variant_is_of_type(subscription.get(), G_VARIANT_TYPE_UINT32))
        inputs.subscription =
            static_cast<MMModem3gppSubscriptionState>(g_variant_get_uint32(subscription.get()));
    *readyState = ReadyStateFrom(inputs);
    return S_OK;
}

HRESULT MmInterface::InEmergencyMode(VARIANT_BOOL* emergencyMode) {
    PARAVUE_MM_ENTER(emergencyMode);
    MMModem3gpp* gpp = modem_->gpp.get();
    bool emergency = gpp && mm_modem_3gpp_get_registration_state(gpp) ==
                                MM_MODEM_3GPP_REGISTRATION_STATE_EMERGENCY_ONLY;
    *emergencyMode = emergency ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

ULONG MmInterface::AvailableDataClasses() const {
    return AvailableDataClassFrom(RegisterState().value_or(MBN_REGISTER_STATE_NONE),
                                  AllowedModesOf(modem_->modem.get()),
                                  CurrentCapabilitiesOf(modem_->modem.get()));
}

std::optional<MBN_REGISTER_STATE> MmInterface::RegisterState() const {
    if (MMModem3gpp* gpp = modem_->gpp.get())
        return RegisterStateFrom3gpp(mm_modem_3gpp_get_registration_state(gpp));
    if (MMModemCdma* cdma = modem_->cdma.get()) {
        MMModemCdmaRegistrationState evdo = mm_modem_cdma_get_evdo_registration_state(cdma);
        return RegisterStateFromCdma(evdo != MM_MODEM_CDMA_REGISTRATION_STATE_UNKNOWN
                                         ? evdo
                                         : mm_modem_cdma_get_cdma1x_registration_state(cdma));
    }
    return std::nullopt;
}

HRESULT MmInterface::GetHomeProvider(MBN_PROVIDER* homeProvider) {
    PARAVUE_MM_ENTER(homeProvider);
    GObjectPtr<MMSim> sim;
    if (HRESULT hr = LoadSim(&sim); FAILED(hr))
        return hr;
    OwnedRecord<MBN_PROVIDER> provider;
    MBN_PROVIDER& p = provider.Mutable();
    p.providerState = MBN_PROVIDER_STATE_HOME;
    MMModem3gpp* gpp = modem_->gpp.get();
    if (gpp && IsHomeRegistration(mm_modem_3gpp_get_registration_state(gpp)))
        p.providerState |= MBN_PROVIDER_STATE_VISIBLE | MBN_PROVIDER_STATE_REGISTERED;
    p.dataClass = AvailableDataClasses();
    if (HRESULT hr = NewBstrs({{mm_sim_get_operator_identifier(sim.get()), &p.providerID},
                               {mm_sim_get_operator_name(sim.get()), &p.providerName}});
        FAILED(hr))
        return hr;
    *homeProvider = p;
    p = MBN_PROVIDER{};
    return S_OK;
}

HRESULT MmInterface::GetPreferredProviders(SAFEARRAY** preferredProviders) {
    PARAVUE_MM_ENTER(preferredProviders);
    *preferredProviders = nullptr;
    GObjectPtr<MMSim> sim;
    if (HRESULT hr = LoadSim(&sim); FAILED(hr))
        return hr;
    // The cache, not the accessor: a SIM that does not publish the list is
    // "not supported", and the accessor complains about it.
    GVariantPtr networks(CachedProperty(sim.get(), "PreferredNetworks"));
    if (!networks || !g_variant_is_of_type(networks.get(), G_VARIANT_TYPE("a(su)")))
        return kNotSupported;
    const std::string home = Text(mm_sim_get_operator_identifier(sim.get()));
    const gsize count = g_variant_n_children(networks.get());
    UniqueSafeArray array(
        SafeArrayCreateVector(SafeArrayKind::MbnProvider, 0, static_cast<ULONG>(count)));
    if (!array)
        return E_OUTOFMEMORY;
    for (gsize i = 0; i < count; ++i) {
        const gchar* code = nullptr;
        guint32 technologies = 0;
        g_variant_get_child(networks.get(), i, "(&su)", &code, &technologies);
        OwnedRecord<MBN_PROVIDER> provider;
        MBN_PROVIDER& p = provider.Mutable();
        p.providerState = MBN_PROVIDER_STATE_PREFERRED;
        if (!home.empty() && home == Text(code))
            p.providerState |= MBN_PROVIDER_STATE_HOME;
        p.dataClass = DataClassFromAccessTechnologies(technologies);
        HRESULT hr = NewBstrs({{code, &p.providerID}, {"", &p.providerName}});
        LONG index = static_cast<LONG>(i);
        if (SUCCEEDED(hr))
            hr = SafeArrayPutElement(array.Get(), &index, &p);
        if (FAILED(hr))
            return hr;
    }
    *preferredProviders = array.Release();
    return S_OK;
}

HRESULT MmInterface::GetConnection(IMbnConnection** connection) {
    PARAVUE_MM_ENTER(connection);
    auto object = MakeComObject<MmConnection>(session_, modem_);
    *connection = object.Detach();
    return S_OK;
}

HRESULT MmInterface::GetSignalStrength(ULONG* signalStrength) {
    PARAVUE_MM_ENTER(signalStrength);
    gboolean recent = FALSE;
    guint percent = mm_modem_get_signal_quality(modem, &recent);
    *signalStrength = SignalStrengthFromQuality(percent, recent, mm_modem_get_state(modem));
    return S_OK;
}

HRESULT MmInterface::GetSignalError(ULONG* signalError) {
    PARAVUE_MM_ENTER(signalError);
    *signalError = kSignalUnknown;  // the daemon does not report the error rate
    return S_OK;
}

HRESULT MmInterface::GetRegisterState(MBN_REGISTER_STATE* registerState) {
    PARAVUE_MM_ENTER(registerState);
    std::optional<MBN_REGISTER_STATE> state = RegisterState();
    if (!state)
        return E_NOINTERFACE;
    *registerState = *state;
    return S_OK;
}

HRESULT MmInterface::GetRegisterMode(MBN_REGISTER_MODE* registerMode) {
    PARAVUE_MM_ENTER(registerMode);
    *registerMode = MBN_REGISTER_MODE_AUTOMATIC;
    return S_OK;
}

HRESULT MmInterface::GetProviderID(BSTR* providerId) {
    PARAVUE_MM_ENTER(providerId);
    MMModem3gpp* gpp = modem_->gpp.get();
    return NewBstr(gpp ? mm_modem_3gpp_get_operator_code(gpp) : nullptr, providerId);
}

HRESULT MmInterface::GetProviderName(BSTR* providerName) {
    PARAVUE_MM_ENTER(providerName);
    MMModem3gpp* gpp = modem_->gpp.get();
    return NewBstr(gpp ? mm_modem_3gpp_get_operator_name(gpp) : nullptr, providerName);
}

HRESULT MmInterface::GetRoamingText(BSTR* roamingText) {
    PARAVUE_MM_ENTER(roamingText);
    return NewBstr("", roamingText);
}

HRESULT MmInterface::GetAvailableDataClasses(ULONG* availableDataClasses) {
    PARAVUE_MM_ENTER(availableDataClasses);
    *availableDataClasses = AvailableDataClasses();
    return S_OK;
}

HRESULT MmInterface::GetCurrentDataClass(ULONG* currentDataClass) {
    PARAVUE_MM_ENTER(currentDataClass);
    *currentDataClass = DataClassFromAccessTechnologies(mm_modem_get_access_technologies(modem));
    return S_OK;
}

HRESULT MmInterface::GetRegistrationNetworkError(ULONG* registrationNetworkError) {
    PARAVUE_MM_ENTER(registrationNetworkError);
    *registrationNetworkError = 0;
    return S_OK;
}

HRESULT MmInterface::GetPacketAttachNetworkError(ULONG* packetAttachNetworkError) {
    PARAVUE_MM_ENTER(packetAttachNetworkError);
    *packetAttachNetworkError = 0;
    return S_OK;
}

HRESULT MmInterface::get_SoftwareRadioState(MBN_RADIO* softwareRadioState) {
    PARAVUE_MM_ENTER(softwareRadioState);
    *softwareRadioState =
        SoftwareRadioFromPowerState(mm_modem_get_power_state(modem)).value_or(kRadioUnknown);
    return S_OK;
}

HRESULT MmInterface::get_HardwareRadioState(MBN_RADIO* hardwareRadioState) {
    PARAVUE_MM_ENTER(hardwareRadioState);
    *hardwareRadioState =
        sysfs::WwanHardBlocked(session_->Link().Options().sysfsRoot) ? MBN_RADIO_OFF : MBN_RADIO_ON;
    return S_OK;
}

namespace {

struct ContextFields {
    ULONG id;
    guint32 apnType;
    const char* apn;
    const char* user;
    const char* password;
    guint32 allowedAuth;
    GObjectPtr<MMBearerProperties> strings = {};  // a bearer's: owns the strings above
};

// An array of `count` contexts, the i-th read by fieldsOf(i).
template <class FieldsOf>
HRESULT ContextArray(std::size_t count, SAFEARRAY** out, FieldsOf fieldsOf) {
    UniqueSafeArray array(
        SafeArrayCreateVector(SafeArrayKind::MbnContext, 0, static_cast<ULONG>(count)));
    if (!array)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < count; ++i) {
        const ContextFields f = fieldsOf(i);
        OwnedRecord<MBN_CONTEXT> record;
        MBN_CONTEXT& c = record.Mutable();
        c.contextID = f.id;
        c.contextType = ContextTypeFromApnType(f.apnType);
        c.compression = MBN_COMPRESSION_NONE;
        c.authType = AuthProtocolFromAllowed(f.allowedAuth);
        HRESULT hr =
            NewBstrs({{f.apn, &c.accessString}, {f.user, &c.userName}, {f.password, &c.password}});
        LONG index = static_cast<LONG>(i);
        if (SUCCEEDED(hr))
            hr = SafeArrayPutElement(array.Get(), &index, &c);
        if (FAILED(hr))
            return hr;
    }
    *out = array.Release();
    return S_OK;
}

}  // namespace

HRESULT MmInterface::ContextsFromProfiles(SAFEARRAY** out) {
    ProfileList listed = session_->ListProfiles(*modem_);
    if (FAILED(listed.status)) {
        // Declined (a modem below the enabled state, a caller the policy
        // does not allow, a port busy with the connection): the bearers
        // still tell the contexts. A list that failed or did not answer
        // tells nothing, and says so.
        if (listed.refused)
            return ContextsFromBearers(out);
        return listed.status;
    }
    return ContextArray(listed.profiles.size(), out, [&](std::size_t i) {
        MM3gppProfile* p = listed.profiles[i].get();
        return ContextFields{static_cast<ULONG>(mm_3gpp_profile_get_profile_id(p)),
                             mm_3gpp_profile_get_apn_type(p),
                             mm_3gpp_profile_get_apn(p),
                             mm_3gpp_profile_get_user(p),
                             mm_3gpp_profile_get_password(p),
                             mm_3gpp_profile_get_allowed_auth(p)};
    });
}

HRESULT MmInterface::ContextsFromBearers(SAFEARRAY** out) {
    std::vector<GObjectPtr<MMBearer>> bearers;
    if (HRESULT hr = session_->ReadBearers(modem_->modem.get(), &bearers); FAILED(hr))
        return hr;
    return ContextArray(bearers.size(), out, [&](std::size_t i) {
        ContextFields f{
            static_cast<ULONG>(i + 1),     MM_BEARER_APN_TYPE_NONE, nullptr, nullptr, nullptr,
            MM_BEARER_ALLOWED_AUTH_UNKNOWN};
        if (GObjectPtr<MMBearerProperties> p{mm_bearer_get_properties(bearers[i].get())}) {
            f.apnType = mm_bearer_properties_get_apn_type(p.get());
            f.apn = mm_bearer_properties_get_apn(p.get());
            f.user = mm_bearer_properties_get_user(p.get());
            f.password = mm_bearer_properties_get_password(p.get());
            f.allowedAuth = mm_bearer_properties_get_allowed_auth(p.get());
            f.strings = std::move(p);
        }
        return f;
    });
}

HRESULT MmInterface::GetProvisionedContexts(SAFEARRAY** provisionedContexts) {
    PARAVUE_MM_ENTER(provisionedContexts);
    *provisionedContexts = nullptr;
    if (modem_->profiles)
        return ContextsFromProfiles(provisionedContexts);
    return ContextsFromBearers(provisionedContexts);
}

#undef PARAVUE_MM_ENTER

}  // namespace paravue::mm

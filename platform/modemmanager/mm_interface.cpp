#include "platform/modemmanager/mm_interface.h"

#include "platform/linux/sysfs.h"
#include "platform/modemmanager/mm_connection.h"
#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_object.h"
#include "platform/modemmanager/mm_text.h"

namespace paravue::mm {
namespace {

// The SIM's subscriber data, as the run read it.
class MmSubscriber final : public ServiceObject<MmSubscriber, IMbnSubscriberInformation> {
  public:
    MmSubscriber(std::string subscriberId, std::string simIccId,
                 std::vector<std::string> telephoneNumbers)
        : subscriberId_(std::move(subscriberId)),
          simIccId_(std::move(simIccId)),
          telephoneNumbers_(std::move(telephoneNumbers)) {}

    HRESULT get_SubscriberID(BSTR* out) override { return NewBstr(subscriberId_, out); }
    HRESULT get_SimIccID(BSTR* out) override { return NewBstr(simIccId_, out); }
    HRESULT get_TelephoneNumbers(SAFEARRAY** out) override {
        return NewBstrArray(telephoneNumbers_, out);
    }

  private:
    const std::string subscriberId_;
    const std::string simIccId_;
    const std::vector<std::string> telephoneNumbers_;
};

// Union of every supported combination's allowed modes.
guint32 SupportedModesOf(MMModem* modem) {
    MMModemModeCombination* modes = nullptr;
    guint count = 0;
    guint32 all = 0;
    if (mm_modem_get_supported_modes(modem, &modes, &count)) {
        for (guint i = 0; i < count; ++i)
            all |= modes[i].allowed;
        g_free(modes);
    }
    return all;
}

guint32 AllowedModesOf(MMModem* modem) {
    MMModemMode allowed = MM_MODEM_MODE_NONE;
    MMModemMode preferred = MM_MODEM_MODE_NONE;
    return mm_modem_get_current_modes(modem, &allowed, &preferred) ? allowed : MM_MODEM_MODE_NONE;
}

std::vector<std::string> OwnNumbersOf(MMModem* modem) {
    std::vector<std::string> numbers;
    if (const gchar* const* own = mm_modem_get_own_numbers(modem))
        for (; *own; ++own)
            numbers.emplace_back(*own);
    return numbers;
}

// A cached property of one of the object's interfaces; null when the
// interface or the property is not published.
GVariant* CachedProperty(gpointer proxy, const char* name) {
    return proxy ? g_dbus_proxy_get_cached_property(G_DBUS_PROXY(proxy), name) : nullptr;
}

struct ContextFields {
    ULONG id;
    guint32 apnType = MM_BEARER_APN_TYPE_NONE;
    const char* apn = nullptr;
    const char* user = nullptr;
    const char* password = nullptr;
    guint32 allowedAuth = MM_BEARER_ALLOWED_AUTH_UNKNOWN;
    GObjectPtr<MMBearerProperties> strings = {};  // a bearer's: owns the strings above
};

// An array of `count` contexts, the i-th read by fieldsOf(i).
template <class FieldsOf>
HRESULT ContextArray(std::size_t count, SAFEARRAY** out, FieldsOf fieldsOf) {
    return NewArray(
        SafeArrayKind::MbnContext, count, out, [&](SAFEARRAY* array, LONG index, std::size_t i) {
            const ContextFields f = fieldsOf(i);
            OwnedRecord<MBN_CONTEXT> record;
            MBN_CONTEXT& c = record.Mutable();
            c.contextID = f.id;
            c.contextType = ContextTypeFromApnType(f.apnType);
            c.compression = MBN_COMPRESSION_NONE;
            c.authType = AuthProtocolFromAllowed(f.allowedAuth);
            HRESULT hr = NewBstrs(
                {{f.apn, &c.accessString}, {f.user, &c.userName}, {f.password, &c.password}});
            return SUCCEEDED(hr) ? SafeArrayPutElement(array, &index, &c) : hr;
        });
}

}  // namespace

template <class Out, class Answer>
HRESULT MmInterface::Enter(Out* out, Answer answer) {
    if (!out)
        return E_POINTER;
    return InUse(session_->Link(), [&] { return answer(modem_->modem.get()); });
}

template <class Out, class Value>
HRESULT MmInterface::Give(Out* out, Value value) {
    return Enter(out, [&](MMModem* modem) {
        *out = value(modem);
        return S_OK;
    });
}

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
    return Enter(interfaceId,
                 [&](MMModem* modem) { return NewBstr(InterfaceIdOf(modem), interfaceId); });
}

HRESULT MmInterface::GetInterfaceCapability(MBN_INTERFACE_CAPS* capabilities) {
    return Enter(capabilities, [&](MMModem* modem) {
        OwnedRecord<MBN_INTERFACE_CAPS> caps;
        MBN_INTERFACE_CAPS& c = caps.Mutable();
        const guint32 current = mm_modem_get_current_capabilities(modem);
        c.cellularClass = CellularClassFromCapabilities(current);
        c.voiceClass =
            modem_->voice ? MBN_VOICE_CLASS_SEPARATE_VOICE_DATA : MBN_VOICE_CLASS_NO_VOICE;
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
    });
}

HRESULT MmInterface::LoadSim(GObjectPtr<MMSim>* sim) {
    MMModem* modem = modem_->modem.get();
    if (!HasSim(modem))
        return E_MBN_SIM_NOT_INSERTED;
    GObjectPtr<GObject> object;
    HRESULT hr = session_->ReadObject(MM_TYPE_SIM, MM_DBUS_INTERFACE_SIM,
                                      mm_modem_get_sim_path(modem), &object);
    sim->reset(SUCCEEDED(hr) ? MM_SIM(object.release()) : nullptr);
    return hr;
}

HRESULT MmInterface::GetSubscriberInformation(IMbnSubscriberInformation** subscriber) {
    return Enter(subscriber, [&](MMModem* modem) {
        *subscriber = nullptr;
        GObjectPtr<MMSim> sim;
        if (HRESULT hr = LoadSim(&sim); FAILED(hr))
            return hr;
        *subscriber =
            MakeComObject<MmSubscriber>(Text(mm_sim_get_imsi(sim.get())),
                                        Text(mm_sim_get_identifier(sim.get())), OwnNumbersOf(modem))
                .Detach();
        return S_OK;
    });
}

HRESULT MmInterface::ReadProfileTarget(ModemTarget* target) {
    return Enter(target, [&](MMModem* modem) {
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
    });
}

HRESULT MmInterface::GetReadyState(MBN_READY_STATE* readyState) {
    return Give(readyState, [&](MMModem* modem) {
        ReadyInputs inputs{mm_modem_get_state(modem), mm_modem_get_state_failed_reason(modem),
                           mm_modem_get_unlock_required(modem)};
        // Read from the cache: the accessor for it is deprecated in the
        // library.
        GVariantPtr subscription(CachedProperty(modem_->gpp.get(), "SubscriptionState"));
        if (subscription && g_variant_is_of_type(subscription.get(), G_VARIANT_TYPE_UINT32))
            inputs.subscription =
                static_cast<MMModem3gppSubscriptionState>(g_variant_get_uint32(subscription.get()));
        return ReadyStateFrom(inputs);
    });
}

HRESULT MmInterface::InEmergencyMode(VARIANT_BOOL* emergencyMode) {
    return Give(emergencyMode, [&](MMModem*) {
        MMModem3gpp* gpp = modem_->gpp.get();
        return gpp && mm_modem_3gpp_get_registration_state(gpp) ==
                           MM_MODEM_3GPP_REGISTRATION_STATE_EMERGENCY_ONLY
                   ? VARIANT_TRUE
                   : VARIANT_FALSE;
    });
}

ULONG MmInterface::AvailableDataClasses() const {
    MMModem* modem = modem_->modem.get();
    return AvailableDataClassFrom(RegisterState().value_or(MBN_REGISTER_STATE_NONE),
                                  AllowedModesOf(modem), mm_modem_get_current_capabilities(modem));
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
    return Enter(homeProvider, [&](MMModem*) {
        GObjectPtr<MMSim> sim;
        if (HRESULT hr = LoadSim(&sim); FAILED(hr))
            return hr;
        OwnedRecord<MBN_PROVIDER> provider;
        MBN_PROVIDER& p = provider.Mutable();
        p.providerState = MBN_PROVIDER_STATE_HOME;
        MMModem3gpp* gpp = modem_->gpp.get();
        if (gpp && RegisterStateFrom3gpp(mm_modem_3gpp_get_registration_state(gpp)) ==
                       MBN_REGISTER_STATE_HOME)
            p.providerState |= MBN_PROVIDER_STATE_VISIBLE | MBN_PROVIDER_STATE_REGISTERED;
        p.dataClass = AvailableDataClasses();
        if (HRESULT hr = NewBstrs({{mm_sim_get_operator_identifier(sim.get()), &p.providerID},
                                   {mm_sim_get_operator_name(sim.get()), &p.providerName}});
            FAILED(hr))
            return hr;
        *homeProvider = p;
        p = MBN_PROVIDER{};
        return S_OK;
    });
}

HRESULT MmInterface::GetPreferredProviders(SAFEARRAY** preferredProviders) {
    return Enter(preferredProviders, [&](MMModem*) {
        *preferredProviders = nullptr;
        GObjectPtr<MMSim> sim;
        if (HRESULT hr = LoadSim(&sim); FAILED(hr))
            return hr;
        // The cache, not the accessor: a SIM that does not publish the list
        // is "not supported", and the accessor complains about it.
        GVariantPtr networks(CachedProperty(sim.get(), "PreferredNetworks"));
        if (!networks || !g_variant_is_of_type(networks.get(), G_VARIANT_TYPE("a(su)")))
            return kNotSupported;
        const std::string home = Text(mm_sim_get_operator_identifier(sim.get()));
        return NewArray(SafeArrayKind::MbnProvider, g_variant_n_children(networks.get()),
                        preferredProviders, [&](SAFEARRAY* array, LONG index, std::size_t i) {
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
                            return SUCCEEDED(hr) ? SafeArrayPutElement(array, &index, &p) : hr;
                        });
    });
}

HRESULT MmInterface::GetConnection(IMbnConnection** connection) {
    return Give(connection,
                [&](MMModem*) { return MakeComObject<MmConnection>(session_, modem_).Detach(); });
}

HRESULT MmInterface::GetSignalStrength(ULONG* signalStrength) {
    return Give(signalStrength, [](MMModem* modem) {
        gboolean recent = FALSE;
        guint percent = mm_modem_get_signal_quality(modem, &recent);
        return SignalStrengthFromQuality(percent, recent, mm_modem_get_state(modem));
    });
}

HRESULT MmInterface::GetSignalError(ULONG* signalError) {
    // The daemon does not report the error rate.
    return Give(signalError, [](MMModem*) { return kSignalUnknown; });
}

HRESULT MmInterface::GetRegisterState(MBN_REGISTER_STATE* registerState) {
    return Enter(registerState, [&](MMModem*) {
        std::optional<MBN_REGISTER_STATE> state = RegisterState();
        if (!state)
            return E_NOINTERFACE;
        *registerState = *state;
        return S_OK;
    });
}

HRESULT MmInterface::GetRegisterMode(MBN_REGISTER_MODE* registerMode) {
    return Give(registerMode, [](MMModem*) { return MBN_REGISTER_MODE_AUTOMATIC; });
}

HRESULT MmInterface::GetProviderID(BSTR* providerId) {
    return Enter(providerId, [&](MMModem*) {
        MMModem3gpp* gpp = modem_->gpp.get();
        return NewBstr(gpp ? mm_modem_3gpp_get_operator_code(gpp) : nullptr, providerId);
    });
}

HRESULT MmInterface::GetProviderName(BSTR* providerName) {
    return Enter(providerName, [&](MMModem*) {
        MMModem3gpp* gpp = modem_->gpp.get();
        return NewBstr(gpp ? mm_modem_3gpp_get_operator_name(gpp) : nullptr, providerName);
    });
}

HRESULT MmInterface::GetRoamingText(BSTR* roamingText) {
    return Enter(roamingText, [&](MMModem*) { return NewBstr("", roamingText); });
}

HRESULT MmInterface::GetAvailableDataClasses(ULONG* availableDataClasses) {
    return Give(availableDataClasses, [&](MMModem*) { return AvailableDataClasses(); });
}

HRESULT MmInterface::GetCurrentDataClass(ULONG* currentDataClass) {
    return Give(currentDataClass, [](MMModem* modem) {
        return DataClassFromAccessTechnologies(mm_modem_get_access_technologies(modem));
    });
}

HRESULT MmInterface::GetRegistrationNetworkError(ULONG* registrationNetworkError) {
    return Give(registrationNetworkError, [](MMModem*) { return ULONG{0}; });
}

HRESULT MmInterface::GetPacketAttachNetworkError(ULONG* packetAttachNetworkError) {
    return Give(packetAttachNetworkError, [](MMModem*) { return ULONG{0}; });
}

HRESULT MmInterface::get_SoftwareRadioState(MBN_RADIO* softwareRadioState) {
    return Give(softwareRadioState, [](MMModem* modem) {
        return SoftwareRadioFromPowerState(mm_modem_get_power_state(modem)).value_or(kRadioUnknown);
    });
}

HRESULT MmInterface::get_HardwareRadioState(MBN_RADIO* hardwareRadioState) {
    return Give(hardwareRadioState, [&](MMModem*) {
        return sysfs::WwanHardBlocked(session_->Link().Options().sysfsRoot) ? MBN_RADIO_OFF
                                                                            : MBN_RADIO_ON;
    });
}

HRESULT MmInterface::ContextsFromProfiles(SAFEARRAY** out) {
    ProfileList listed = session_->ListProfiles(*modem_);
    if (FAILED(listed.error.status)) {
        // Declined (a modem below the enabled state, a caller the policy
        // does not allow, a port busy with the connection): the bearers
        // still tell the contexts. A list that failed or did not answer
        // tells nothing, and says so.
        if (listed.error.refusal)
            return ContextsFromBearers(out);
        return listed.error.status;
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
        ContextFields f{static_cast<ULONG>(i + 1)};
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
    return Enter(provisionedContexts, [&](MMModem*) {
        *provisionedContexts = nullptr;
        return modem_->profiles ? ContextsFromProfiles(provisionedContexts)
                                : ContextsFromBearers(provisionedContexts);
    });
}

}  // namespace paravue::mm

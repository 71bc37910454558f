#include "platform/modemmanager/mm_mapping.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

namespace paravue::mm {
namespace {

bool Is3gppCapable(guint32 capabilities) {
    return (capabilities & (MM_MODEM_CAPABILITY_GSM_UMTS | MM_MODEM_CAPABILITY_LTE |
                            MM_MODEM_CAPABILITY_5GNR)) != 0;
}

bool IsCdmaCapable(guint32 capabilities) {
    return (capabilities & MM_MODEM_CAPABILITY_CDMA_EVDO) != 0;
}

}  // namespace

MBN_CELLULAR_CLASS CellularClassFromCapabilities(guint32 capabilities) {
    if (Is3gppCapable(capabilities))
        return MBN_CELLULAR_CLASS_GSM;
    if (IsCdmaCapable(capabilities))
        return MBN_CELLULAR_CLASS_CDMA;
    return MBN_CELLULAR_CLASS_NONE;
}

ULONG DataClassFromModes(guint32 modes, guint32 capabilities) {
    // "Any" is what the daemon publishes when it could not load the modes:
    // then the capabilities alone decide.
    if (modes == MM_MODEM_MODE_ANY)
        modes = MM_MODEM_MODE_2G | MM_MODEM_MODE_3G | MM_MODEM_MODE_4G | MM_MODEM_MODE_5G;
    // Each mode only where the modem has that technology; each row: the
    // capability, the mode, the data classes they give together.
    constexpr std::tuple<guint32, guint32, ULONG> kClasses[] = {
        {MM_MODEM_CAPABILITY_GSM_UMTS, MM_MODEM_MODE_2G, MBN_DATA_CLASS_GPRS | MBN_DATA_CLASS_EDGE},
        {MM_MODEM_CAPABILITY_GSM_UMTS, MM_MODEM_MODE_3G,
         MBN_DATA_CLASS_UMTS | MBN_DATA_CLASS_HSDPA | MBN_DATA_CLASS_HSUPA},
        {MM_MODEM_CAPABILITY_LTE, MM_MODEM_MODE_4G, MBN_DATA_CLASS_LTE},
        {MM_MODEM_CAPABILITY_5GNR, MM_MODEM_MODE_5G, MBN_DATA_CLASS_5G_NSA | MBN_DATA_CLASS_5G_SA},
        {MM_MODEM_CAPABILITY_CDMA_EVDO, MM_MODEM_MODE_2G, MBN_DATA_CLASS_1XRTT},
        {MM_MODEM_CAPABILITY_CDMA_EVDO, MM_MODEM_MODE_3G,
         MBN_DATA_CLASS_1XEVDO | MBN_DATA_CLASS_1XEVDO_REVA},
    };
    ULONG data = 0;
    for (auto [capability, mode, dataClass] : kClasses)
        if ((capabilities & capability) && (modes & mode))
            data |= dataClass;
    return data;
}

ULONG AvailableDataClassFrom(MBN_REGISTER_STATE registration, guint32 allowedModes,
                             guint32 capabilities) {
    if (registration != MBN_REGISTER_STATE_HOME && registration != MBN_REGISTER_STATE_ROAMING &&
        registration != MBN_REGISTER_STATE_PARTNER)
        return 0;
    return DataClassFromModes(allowedModes, capabilities);
}

ULONG DataClassFromAccessTechnologies(guint32 t) {
    constexpr guint32 kLte = MM_MODEM_ACCESS_TECHNOLOGY_LTE | MM_MODEM_ACCESS_TECHNOLOGY_LTE_CAT_M |
                             MM_MODEM_ACCESS_TECHNOLOGY_LTE_NB_IOT;
    constexpr std::pair<guint32, ULONG> kClasses[] = {
        {MM_MODEM_ACCESS_TECHNOLOGY_GSM | MM_MODEM_ACCESS_TECHNOLOGY_GSM_COMPACT |
             MM_MODEM_ACCESS_TECHNOLOGY_GPRS,
         MBN_DATA_CLASS_GPRS},
        {MM_MODEM_ACCESS_TECHNOLOGY_EDGE, MBN_DATA_CLASS_EDGE},
        {MM_MODEM_ACCESS_TECHNOLOGY_UMTS, MBN_DATA_CLASS_UMTS},
        {MM_MODEM_ACCESS_TECHNOLOGY_HSDPA, MBN_DATA_CLASS_HSDPA},
        {MM_MODEM_ACCESS_TECHNOLOGY_HSUPA, MBN_DATA_CLASS_HSUPA},
        {MM_MODEM_ACCESS_TECHNOLOGY_HSPA | MM_MODEM_ACCESS_TECHNOLOGY_HSPA_PLUS,
         MBN_DATA_CLASS_HSDPA | MBN_DATA_CLASS_HSUPA},
        {kLte, MBN_DATA_CLASS_LTE},
        {MM_MODEM_ACCESS_TECHNOLOGY_1XRTT, MBN_DATA_CLASS_1XRTT},
        {MM_MODEM_ACCESS_TECHNOLOGY_EVDO0, MBN_DATA_CLASS_1XEVDO},
        {MM_MODEM_ACCESS_TECHNOLOGY_EVDOA, MBN_DATA_CLASS_1XEVDO_REVA},
        {MM_MODEM_ACCESS_TECHNOLOGY_EVDOB, MBN_DATA_CLASS_1XEVDO_REVB},
    };
    ULONG data = 0;
    for (auto [technologies, dataClass] : kClasses)
        if (t & technologies)
            data |= dataClass;
    // NR next to LTE is non-standalone; NR alone is standalone.
    if (t & MM_MODEM_ACCESS_TECHNOLOGY_5GNR)
        data |= (t & kLte) ? MBN_DATA_CLASS_5G_NSA : MBN_DATA_CLASS_5G_SA;
    return data;
}

ULONG SignalStrengthFromQuality(guint percent, bool recent, MMModemState state) {
    // Below the enabled state the daemon publishes a placeholder (0, even
    // marked recent), and a value it no longer calls recent is the last one
    // a modem that stopped answering gave: neither is vouched for.
    if (state < MM_MODEM_STATE_ENABLED || !recent)
        return kSignalUnknown;
    if (percent > 100)
        percent = 100;
    return static_cast<ULONG>(std::lround(percent * 31.0 / 100.0));
}

MBN_REGISTER_STATE RegisterStateFrom3gpp(MMModem3gppRegistrationState state) {
    switch (state) {
        case MM_MODEM_3GPP_REGISTRATION_STATE_IDLE:
        case MM_MODEM_3GPP_REGISTRATION_STATE_ATTACHED_RLOS:
            return MBN_REGISTER_STATE_DEREGISTERED;
        case MM_MODEM_3GPP_REGISTRATION_STATE_HOME:
        case MM_MODEM_3GPP_REGISTRATION_STATE_HOME_SMS_ONLY:
        case MM_MODEM_3GPP_REGISTRATION_STATE_HOME_CSFB_NOT_PREFERRED:
            return MBN_REGISTER_STATE_HOME;
        case MM_MODEM_3GPP_REGISTRATION_STATE_SEARCHING:
            return MBN_REGISTER_STATE_SEARCHING;
        case MM_MODEM_3GPP_REGISTRATION_STATE_DENIED:
        case MM_MODEM_3GPP_REGISTRATION_STATE_EMERGENCY_ONLY:
            return MBN_REGISTER_STATE_DENIED;
        case MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING:
        case MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING_SMS_ONLY:
        case MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING_CSFB_NOT_PREFERRED:
            return MBN_REGISTER_STATE_ROAMING;
        case MM_MODEM_3GPP_REGISTRATION_STATE_UNKNOWN:
            break;
    }
    return MBN_REGISTER_STATE_NONE;
}

MBN_REGISTER_STATE RegisterStateFromCdma(MMModemCdmaRegistrationState state) {
    switch (state) {
        case MM_MODEM_CDMA_REGISTRATION_STATE_REGISTERED:
        case MM_MODEM_CDMA_REGISTRATION_STATE_HOME:
            return MBN_REGISTER_STATE_HOME;
        case MM_MODEM_CDMA_REGISTRATION_STATE_ROAMING:
            return MBN_REGISTER_STATE_ROAMING;
        case MM_MODEM_CDMA_REGISTRATION_STATE_UNKNOWN:
            break;
    }
    return MBN_REGISTER_STATE_NONE;
}

MBN_AUTH_PROTOCOL AuthProtocolFromAllowed(guint32 allowed) {
    if (allowed & MM_BEARER_ALLOWED_AUTH_MSCHAPV2)
        return MBN_AUTH_PROTOCOL_MSCHAPV2;
    if (allowed & MM_BEARER_ALLOWED_AUTH_CHAP)
        return MBN_AUTH_PROTOCOL_CHAP;
    if (allowed & MM_BEARER_ALLOWED_AUTH_PAP)
        return MBN_AUTH_PROTOCOL_PAP;
    return MBN_AUTH_PROTOCOL_NONE;
}

MBN_CONTEXT_TYPE ContextTypeFromApnType(guint32 apnType) {
    // The daemon's own rule: a bearer without an explicit type is an
    // internet one, and most bearers users create carry none.
    if (apnType == MM_BEARER_APN_TYPE_NONE)
        return MBN_CONTEXT_TYPE_INTERNET;
    if (apnType & (MM_BEARER_APN_TYPE_DEFAULT | MM_BEARER_APN_TYPE_INITIAL))
        return MBN_CONTEXT_TYPE_INTERNET;
    if (apnType & MM_BEARER_APN_TYPE_PRIVATE)
        return MBN_CONTEXT_TYPE_VPN;
    if (apnType & (MM_BEARER_APN_TYPE_IMS | MM_BEARER_APN_TYPE_VOICE))
        return MBN_CONTEXT_TYPE_VOICE;
    if (apnType & MM_BEARER_APN_TYPE_VIDEO_SHARE)
        return MBN_CONTEXT_TYPE_VIDEO_SHARE;
    return MBN_CONTEXT_TYPE_CUSTOM;
}

std::optional<MBN_RADIO> SoftwareRadioFromPowerState(MMModemPowerState state) {
    switch (state) {
        case MM_MODEM_POWER_STATE_ON:
            return MBN_RADIO_ON;
        case MM_MODEM_POWER_STATE_LOW:
        case MM_MODEM_POWER_STATE_OFF:
            return MBN_RADIO_OFF;
        case MM_MODEM_POWER_STATE_UNKNOWN:
            break;
    }
    return std::nullopt;
}

constexpr MMModemLock kPukLocks[] = {MM_MODEM_LOCK_SIM_PUK,      MM_MODEM_LOCK_SIM_PUK2,
                                     MM_MODEM_LOCK_PH_SP_PUK,    MM_MODEM_LOCK_PH_NET_PUK,
                                     MM_MODEM_LOCK_PH_CORP_PUK,  MM_MODEM_LOCK_PH_FSIM_PUK,
                                     MM_MODEM_LOCK_PH_NETSUB_PUK};

MBN_READY_STATE ReadyStateFrom(const ReadyInputs& in) {
    switch (in.state) {
        case MM_MODEM_STATE_FAILED:
            if (in.failedReason == MM_MODEM_STATE_FAILED_REASON_SIM_MISSING)
                return MBN_READY_STATE_SIM_NOT_INSERTED;
            if (in.failedReason == MM_MODEM_STATE_FAILED_REASON_SIM_ERROR)
                return MBN_READY_STATE_BAD_SIM;
            return MBN_READY_STATE_FAILURE;
        case MM_MODEM_STATE_LOCKED:
            // A lock that wants an unblocking key blocks the device.
            return std::ranges::find(kPukLocks, in.unlockRequired) != std::end(kPukLocks)
                       ? MBN_READY_STATE_DEVICE_BLOCKED
                       : MBN_READY_STATE_DEVICE_LOCKED;
        default:
            break;
    }
    if (in.subscription == MM_MODEM_3GPP_SUBSCRIPTION_STATE_UNPROVISIONED)
        return MBN_READY_STATE_NOT_ACTIVATED;
    // A disabled modem is initialised, its SIM ready and its radio in low
    // power; only one still initialising (or unknown) is off.
    if (in.state >= MM_MODEM_STATE_DISABLED)
        return MBN_READY_STATE_INITIALIZED;
    return MBN_READY_STATE_OFF;
}

MBN_ACTIVATION_STATE ActivationStateFrom(const ActivationInputs& in) {
    // A bearer stays connected until its teardown ends: disconnecting first.
    if (in.state == MM_MODEM_STATE_DISCONNECTING)
        return MBN_ACTIVATION_STATE_DEACTIVATING;
    if (in.anyConnected)
        return MBN_ACTIVATION_STATE_ACTIVATED;
    if (in.state == MM_MODEM_STATE_CONNECTING)
        return MBN_ACTIVATION_STATE_ACTIVATING;
    // "None" is unknown: only a modem whose own state is unknown or failed.
    if (in.state == MM_MODEM_STATE_UNKNOWN || in.state == MM_MODEM_STATE_FAILED)
        return MBN_ACTIVATION_STATE_NONE;
    return MBN_ACTIVATION_STATE_DEACTIVATED;
}

unsigned long ModemPathNumber(std::string_view path) {
    auto slash = path.rfind('/');
    std::string_view tail = slash == std::string_view::npos ? path : path.substr(slash + 1);
    unsigned long number = 0;
    auto [end, ec] = std::from_chars(tail.data(), tail.data() + tail.size(), number);
    if (ec != std::errc() || end != tail.data() + tail.size() || tail.empty())
        return std::numeric_limits<unsigned long>::max();
    return number;
}

}  // namespace paravue::mm

#include <gtest/gtest.h>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"

namespace mm = paravue::mm;

namespace {

constexpr guint32 k3gpp = MM_MODEM_CAPABILITY_GSM_UMTS | MM_MODEM_CAPABILITY_LTE;

TEST(Capabilities, AnyThreeGppFamilyMakesGsmCdmaOnlyMakesCdma) {
    EXPECT_EQ(mm::CellularClassFromCapabilities(MM_MODEM_CAPABILITY_5GNR), MBN_CELLULAR_CLASS_GSM);
    EXPECT_EQ(
        mm::CellularClassFromCapabilities(MM_MODEM_CAPABILITY_CDMA_EVDO | MM_MODEM_CAPABILITY_LTE),
        MBN_CELLULAR_CLASS_GSM);
    EXPECT_EQ(mm::CellularClassFromCapabilities(MM_MODEM_CAPABILITY_CDMA_EVDO),
              MBN_CELLULAR_CLASS_CDMA);
    EXPECT_EQ(mm::CellularClassFromCapabilities(MM_MODEM_CAPABILITY_POTS), MBN_CELLULAR_CLASS_NONE);
}

TEST(DataClass, ModesCountOnlyWhereTheCapabilitiesHaveTheTechnology) {
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_2G | MM_MODEM_MODE_3G, k3gpp), 0x1Fu);
    EXPECT_EQ(
        mm::DataClassFromModes(MM_MODEM_MODE_2G | MM_MODEM_MODE_3G, MM_MODEM_CAPABILITY_CDMA_EVDO),
        static_cast<ULONG>(MBN_DATA_CLASS_1XRTT | MBN_DATA_CLASS_1XEVDO |
                           MBN_DATA_CLASS_1XEVDO_REVA));
    // No 5G bits without 5GNR, no LTE without LTE, no GSM family without it.
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_5G, k3gpp), 0u);
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_5G, MM_MODEM_CAPABILITY_5GNR), 0xC0u);
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_4G, MM_MODEM_CAPABILITY_GSM_UMTS), 0u);
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_2G | MM_MODEM_MODE_4G, MM_MODEM_CAPABILITY_LTE),
              static_cast<ULONG>(MBN_DATA_CLASS_LTE));
    // "Any" (modes not loaded) is whatever the capabilities allow.
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_ANY, k3gpp), 0x3Fu);
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_ANY, k3gpp | MM_MODEM_CAPABILITY_5GNR), 0xFFu);
    // CS alone carries no packet data; no family, no data class.
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_CS, k3gpp), 0u);
    EXPECT_EQ(mm::DataClassFromModes(MM_MODEM_MODE_ANY, MM_MODEM_CAPABILITY_POTS), 0u);

    // Available: nothing until registered (home, roaming or partner).
    const guint32 modes = MM_MODEM_MODE_3G | MM_MODEM_MODE_4G;
    EXPECT_EQ(mm::AvailableDataClassFrom(MBN_REGISTER_STATE_SEARCHING, modes, k3gpp), 0u);
    EXPECT_EQ(mm::AvailableDataClassFrom(MBN_REGISTER_STATE_DENIED, modes, k3gpp), 0u);
    EXPECT_EQ(mm::AvailableDataClassFrom(MBN_REGISTER_STATE_NONE, modes, k3gpp), 0u);
    EXPECT_EQ(mm::AvailableDataClassFrom(MBN_REGISTER_STATE_ROAMING, modes, k3gpp), 0x3Cu);
    EXPECT_EQ(mm::AvailableDataClassFrom(MBN_REGISTER_STATE_PARTNER, modes, k3gpp), 0x3Cu);
}

TEST(DataClass, AccessTechnologies) {
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_GSM),
              static_cast<ULONG>(MBN_DATA_CLASS_GPRS));
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_HSPA_PLUS),
              static_cast<ULONG>(MBN_DATA_CLASS_HSDPA | MBN_DATA_CLASS_HSUPA));
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_LTE_NB_IOT),
              static_cast<ULONG>(MBN_DATA_CLASS_LTE));
    // NR with LTE is non-standalone, NR alone standalone.
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_5GNR |
                                                  MM_MODEM_ACCESS_TECHNOLOGY_LTE),
              static_cast<ULONG>(MBN_DATA_CLASS_LTE | MBN_DATA_CLASS_5G_NSA));
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_5GNR),
              static_cast<ULONG>(MBN_DATA_CLASS_5G_SA));
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_EVDOB),
              static_cast<ULONG>(MBN_DATA_CLASS_1XEVDO_REVB));
    EXPECT_EQ(mm::DataClassFromAccessTechnologies(MM_MODEM_ACCESS_TECHNOLOGY_UNKNOWN), 0u);
}

// Only a recent quality of an enabled modem is a strength; every other reads
// as unknown, whatever the daemon's placeholder or last value says.
TEST(Signal, PercentScalesToThirtyOneAndWhatTheDaemonDoesNotVouchForIsUnknown) {
    const MMModemState enabled = MM_MODEM_STATE_ENABLED;
    EXPECT_EQ(mm::SignalStrengthFromQuality(0, false, enabled), 99u);
    EXPECT_EQ(mm::SignalStrengthFromQuality(0, true, enabled), 0u);
    EXPECT_EQ(mm::SignalStrengthFromQuality(50, true, MM_MODEM_STATE_CONNECTED),
              16u);  // 15.5 rounds up
    EXPECT_EQ(mm::SignalStrengthFromQuality(100, true, enabled), 31u);
    EXPECT_EQ(mm::SignalStrengthFromQuality(250, true, enabled), 31u);  // out of range is clamped
    // A modem that stopped answering: its last value, no longer recent.
    EXPECT_EQ(mm::SignalStrengthFromQuality(50, false, MM_MODEM_STATE_REGISTERED), 99u);
    // Below the enabled state the daemon's 0 is a placeholder, even "recent".
    for (MMModemState below : {MM_MODEM_STATE_FAILED, MM_MODEM_STATE_UNKNOWN, MM_MODEM_STATE_LOCKED,
                               MM_MODEM_STATE_DISABLED, MM_MODEM_STATE_ENABLING})
        EXPECT_EQ(mm::SignalStrengthFromQuality(0, true, below), 99u) << below;
}

TEST(Registration, EveryDaemonStateHasItsRegisterState) {
    struct Case {
        MMModem3gppRegistrationState in;
        MBN_REGISTER_STATE out;
    } cases[] = {
        {MM_MODEM_3GPP_REGISTRATION_STATE_IDLE, MBN_REGISTER_STATE_DEREGISTERED},
        {MM_MODEM_3GPP_REGISTRATION_STATE_HOME_SMS_ONLY, MBN_REGISTER_STATE_HOME},
        {MM_MODEM_3GPP_REGISTRATION_STATE_HOME_CSFB_NOT_PREFERRED, MBN_REGISTER_STATE_HOME},
        {MM_MODEM_3GPP_REGISTRATION_STATE_SEARCHING, MBN_REGISTER_STATE_SEARCHING},
        {MM_MODEM_3GPP_REGISTRATION_STATE_EMERGENCY_ONLY, MBN_REGISTER_STATE_DENIED},
        {MM_MODEM_3GPP_REGISTRATION_STATE_UNKNOWN, MBN_REGISTER_STATE_NONE},
        {MM_MODEM_3GPP_REGISTRATION_STATE_ROAMING_CSFB_NOT_PREFERRED, MBN_REGISTER_STATE_ROAMING},
        {MM_MODEM_3GPP_REGISTRATION_STATE_ATTACHED_RLOS, MBN_REGISTER_STATE_DEREGISTERED},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mm::RegisterStateFrom3gpp(c.in), c.out) << c.in;
}

TEST(Contexts, AuthIsTheStrongestAllowedAndApnTypeNamesTheContext) {
    EXPECT_EQ(mm::AuthProtocolFromAllowed(MM_BEARER_ALLOWED_AUTH_NONE), MBN_AUTH_PROTOCOL_NONE);
    EXPECT_EQ(mm::AuthProtocolFromAllowed(MM_BEARER_ALLOWED_AUTH_PAP | MM_BEARER_ALLOWED_AUTH_CHAP),
              MBN_AUTH_PROTOCOL_CHAP);
    EXPECT_EQ(
        mm::AuthProtocolFromAllowed(MM_BEARER_ALLOWED_AUTH_MSCHAPV2 | MM_BEARER_ALLOWED_AUTH_PAP),
        MBN_AUTH_PROTOCOL_MSCHAPV2);
    // MSCHAP (v1) and EAP have no counterpart: nothing the report can name.
    EXPECT_EQ(mm::AuthProtocolFromAllowed(MM_BEARER_ALLOWED_AUTH_EAP), MBN_AUTH_PROTOCOL_NONE);

    EXPECT_EQ(mm::ContextTypeFromApnType(MM_BEARER_APN_TYPE_INITIAL), MBN_CONTEXT_TYPE_INTERNET);
    EXPECT_EQ(mm::ContextTypeFromApnType(MM_BEARER_APN_TYPE_PRIVATE), MBN_CONTEXT_TYPE_VPN);
    EXPECT_EQ(mm::ContextTypeFromApnType(MM_BEARER_APN_TYPE_IMS), MBN_CONTEXT_TYPE_VOICE);
    EXPECT_EQ(mm::ContextTypeFromApnType(MM_BEARER_APN_TYPE_VIDEO_SHARE),
              MBN_CONTEXT_TYPE_VIDEO_SHARE);
    // Untyped is internet, as the daemon reads it.
    EXPECT_EQ(mm::ContextTypeFromApnType(MM_BEARER_APN_TYPE_NONE), MBN_CONTEXT_TYPE_INTERNET);
    EXPECT_EQ(mm::ContextTypeFromApnType(MM_BEARER_APN_TYPE_MMS), MBN_CONTEXT_TYPE_CUSTOM);
}

TEST(Readiness, FailureLockSubscriptionAndPowerStates) {
    auto ready =
        [](MMModemState state, MMModemStateFailedReason reason = MM_MODEM_STATE_FAILED_REASON_NONE,
           MMModemLock lock = MM_MODEM_LOCK_NONE,
           MMModem3gppSubscriptionState sub = MM_MODEM_3GPP_SUBSCRIPTION_STATE_PROVISIONED) {
            return mm::ReadyStateFrom({state, reason, lock, sub});
        };
    EXPECT_EQ(ready(MM_MODEM_STATE_FAILED, MM_MODEM_STATE_FAILED_REASON_SIM_MISSING),
              MBN_READY_STATE_SIM_NOT_INSERTED);
    EXPECT_EQ(ready(MM_MODEM_STATE_FAILED, MM_MODEM_STATE_FAILED_REASON_SIM_ERROR),
              MBN_READY_STATE_BAD_SIM);
    EXPECT_EQ(ready(MM_MODEM_STATE_FAILED, MM_MODEM_STATE_FAILED_REASON_UNKNOWN),
              MBN_READY_STATE_FAILURE);
    EXPECT_EQ(ready(MM_MODEM_STATE_LOCKED, {}, MM_MODEM_LOCK_SIM_PIN),
              MBN_READY_STATE_DEVICE_LOCKED);
    EXPECT_EQ(ready(MM_MODEM_STATE_LOCKED, {}, MM_MODEM_LOCK_PH_NET_PUK),
              MBN_READY_STATE_DEVICE_BLOCKED);
    EXPECT_EQ(ready(MM_MODEM_STATE_REGISTERED, {}, MM_MODEM_LOCK_NONE,
                    MM_MODEM_3GPP_SUBSCRIPTION_STATE_UNPROVISIONED),
              MBN_READY_STATE_NOT_ACTIVATED);
    // Disabled is initialised with its radio in low power; not yet
    // initialised is off.
    EXPECT_EQ(ready(MM_MODEM_STATE_DISABLED), MBN_READY_STATE_INITIALIZED);
    EXPECT_EQ(ready(MM_MODEM_STATE_DISABLING), MBN_READY_STATE_INITIALIZED);
    EXPECT_EQ(ready(MM_MODEM_STATE_INITIALIZING), MBN_READY_STATE_OFF);
    EXPECT_EQ(ready(MM_MODEM_STATE_UNKNOWN), MBN_READY_STATE_OFF);
    EXPECT_EQ(ready(MM_MODEM_STATE_ENABLING), MBN_READY_STATE_INITIALIZED);
    EXPECT_EQ(ready(MM_MODEM_STATE_CONNECTED), MBN_READY_STATE_INITIALIZED);
}

TEST(Connection, TeardownFirstThenConnectedAndIdleIsDeactivated) {
    struct Case {
        MMModemState state;
        bool connected;
        MBN_ACTIVATION_STATE out;
    } cases[] = {
        // A bearer still reads connected while it is torn down.
        {MM_MODEM_STATE_DISCONNECTING, true, MBN_ACTIVATION_STATE_DEACTIVATING},
        {MM_MODEM_STATE_CONNECTED, true, MBN_ACTIVATION_STATE_ACTIVATED},
        {MM_MODEM_STATE_CONNECTING, false, MBN_ACTIVATION_STATE_ACTIVATING},
        {MM_MODEM_STATE_REGISTERED, false, MBN_ACTIVATION_STATE_DEACTIVATED},
        {MM_MODEM_STATE_DISABLED, false, MBN_ACTIVATION_STATE_DEACTIVATED},
        {MM_MODEM_STATE_LOCKED, false, MBN_ACTIVATION_STATE_DEACTIVATED},
        // None is "unknown": only for a modem whose own state is.
        {MM_MODEM_STATE_UNKNOWN, false, MBN_ACTIVATION_STATE_NONE},
        {MM_MODEM_STATE_FAILED, false, MBN_ACTIVATION_STATE_NONE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mm::ActivationStateFrom({c.state, c.connected}), c.out) << c.state;
}

TEST(Errors, EveryNameTheDaemonOrTheBusSendsHasItsStatus) {
    struct Case {
        const char* name;
        HRESULT status;
    } cases[] = {
        {"org.freedesktop.ModemManager1.Error.Core.WrongState", E_ACCESSDENIED},
        {"org.freedesktop.ModemManager1.Error.Core.Unauthorized", E_ACCESSDENIED},
        {"org.freedesktop.DBus.Error.AccessDenied", E_ACCESSDENIED},
        {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimPin", E_MBN_PIN_REQUIRED},
        {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimPuk", E_MBN_PIN_REQUIRED},
        {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimFailure", E_MBN_BAD_SIM},
        {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimWrong", E_MBN_BAD_SIM},
        {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimNotInserted",
         E_MBN_SIM_NOT_INSERTED},
        {"org.freedesktop.ModemManager1.Error.MobileEquipment.NotSupported", mm::kNotSupported},
        {"org.freedesktop.ModemManager1.Error.Core.Unsupported", mm::kNotSupported},
        {"org.freedesktop.ModemManager1.Error.Core.Retry", E_PENDING},
        {"org.freedesktop.ModemManager1.Error.Core.InProgress", E_PENDING},
        {"org.freedesktop.DBus.Error.NoReply", mm::kTimeout},
        {"org.freedesktop.DBus.Error.ServiceUnknown", mm::kServiceNotActive},
        {"org.freedesktop.ModemManager1.Error.Core.Failed", E_MBN_FAILURE},
        {"org.example.Unheard.Of", E_MBN_FAILURE},
    };
    for (const Case& c : cases) {
        // As it comes over the bus, mapped to its domain or not.
        GError* remote = g_dbus_error_new_for_dbus_error(c.name, "refused");
        EXPECT_EQ(mm::StatusFromError(remote), c.status) << c.name;
        g_error_free(remote);
    }
    // Made locally in a registered domain, with no remote name to read.
    struct Local {
        GQuark domain;
        gint code;
        HRESULT status;
    } locals[] = {
        {MM_CORE_ERROR, MM_CORE_ERROR_WRONG_STATE, E_ACCESSDENIED},
        {MM_MOBILE_EQUIPMENT_ERROR, MM_MOBILE_EQUIPMENT_ERROR_SIM_PUK, E_MBN_PIN_REQUIRED},
        {G_DBUS_ERROR, G_DBUS_ERROR_ACCESS_DENIED, E_ACCESSDENIED},
        {G_IO_ERROR, G_IO_ERROR_CANCELLED, mm::kTimeout},  // our own bound
        {G_IO_ERROR, G_IO_ERROR_CLOSED, mm::kServiceNotActive},
    };
    for (const Local& l : locals) {
        GError* error = g_error_new_literal(l.domain, l.code, "local");
        EXPECT_EQ(mm::StatusFromError(error), l.status) << g_quark_to_string(l.domain);
        g_error_free(error);
    }
}

TEST(Radio, UnknownPowerStateIsOutsideTheRadioStates) {
    EXPECT_EQ(mm::SoftwareRadioFromPowerState(MM_MODEM_POWER_STATE_ON), MBN_RADIO_ON);
    EXPECT_EQ(mm::SoftwareRadioFromPowerState(MM_MODEM_POWER_STATE_LOW), MBN_RADIO_OFF);
    EXPECT_FALSE(mm::SoftwareRadioFromPowerState(MM_MODEM_POWER_STATE_UNKNOWN).has_value());
}

TEST(ModemOrder, PathNumbersCompareAsNumbers) {
    EXPECT_LT(mm::ModemPathNumber("/org/freedesktop/ModemManager1/Modem/2"),
              mm::ModemPathNumber("/org/freedesktop/ModemManager1/Modem/10"));
    EXPECT_EQ(mm::ModemPathNumber("/org/freedesktop/ModemManager1/Modem/x"),
              std::numeric_limits<unsigned long>::max());
}

}  // namespace

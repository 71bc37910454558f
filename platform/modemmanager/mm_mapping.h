// How ModemManager's values read as Mobile Broadband values. Pure functions
// of the daemon's enumerations, so each mapping can be checked on its own.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <optional>
#include <string_view>

#include "platform/mbn.h"

namespace paravue::mm {

MBN_CELLULAR_CLASS CellularClassFromCapabilities(guint32 capabilities);

// Data classes the given modes allow, each only where the capabilities have
// its technology; "any" modes allow whatever the capabilities do.
ULONG DataClassFromModes(guint32 modes, guint32 capabilities);
// The data class of the technologies in use (or listed for a network).
ULONG DataClassFromAccessTechnologies(guint32 technologies);

// Signal strength on the 0-31 scale; 99 is unknown: below the enabled state
// and whenever the daemon does not call its quality recent.
ULONG SignalStrengthFromQuality(guint percent, bool recent, MMModemState state);
inline constexpr ULONG kSignalUnknown = 99;

MBN_REGISTER_STATE RegisterStateFrom3gpp(MMModem3gppRegistrationState state);
MBN_REGISTER_STATE RegisterStateFromCdma(MMModemCdmaRegistrationState state);
// What is available now: nothing until registered (home, roaming or
// partner), then the allowed modes.
ULONG AvailableDataClassFrom(MBN_REGISTER_STATE registration, guint32 allowedModes,
                             guint32 capabilities);

// The strongest protocol allowed; none when nothing (or "none") is allowed.
MBN_AUTH_PROTOCOL AuthProtocolFromAllowed(guint32 allowedAuth);
MBN_CONTEXT_TYPE ContextTypeFromApnType(guint32 apnType);

// Software radio state; nothing for a power state the daemon does not know.
std::optional<MBN_RADIO> SoftwareRadioFromPowerState(MMModemPowerState state);
// What an unknown power state reads as: outside the radio states on purpose.
inline constexpr MBN_RADIO kRadioUnknown = static_cast<MBN_RADIO>(-1);

struct ReadyInputs {
    MMModemState state = MM_MODEM_STATE_UNKNOWN;
    MMModemStateFailedReason failedReason = MM_MODEM_STATE_FAILED_REASON_NONE;
    MMModemLock unlockRequired = MM_MODEM_LOCK_UNKNOWN;
    MMModem3gppSubscriptionState subscription = MM_MODEM_3GPP_SUBSCRIPTION_STATE_UNKNOWN;
};
MBN_READY_STATE ReadyStateFrom(const ReadyInputs& inputs);

struct ActivationInputs {
    MMModemState state = MM_MODEM_STATE_UNKNOWN;
    bool anyConnected = false;
};
MBN_ACTIVATION_STATE ActivationStateFrom(const ActivationInputs& inputs);

// The number after the last '/' of an object path (modems, bearers); they
// are listed in this order. Paths without a number sort last.
unsigned long ModemPathNumber(std::string_view path);

}  // namespace paravue::mm

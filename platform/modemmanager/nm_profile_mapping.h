// How a connection NetworkManager saved reads as a mobile-broadband profile:
// which modems it may serve, and its profile document. Pure functions of the
// settings NetworkManager hands out, so each rule can be checked on its own.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <optional>
#include <string>
#include <vector>

namespace paravue::mm {

// What a saved connection can be matched against; empty means unknown.
struct ModemTarget {
    std::string deviceId;            // the modem's DeviceIdentifier
    std::string simIccId;            // the SIM's SimIdentifier
    std::string simImsi;             // the SIM's Imsi
    std::string simOperatorId;       // the SIM's OperatorIdentifier
    std::vector<std::string> ports;  // the control port and the net ports
};

// PPP authentication methods a connection refuses.
struct PppRefusals {
    bool pap = false;
    bool chap = false;
    bool mschapv2 = false;
};

// The parts of a gsm connection the profile shows or is matched by. A
// restriction left empty is not set.
struct GsmConnection {
    std::string id;
    bool autoconnect = true;  // NetworkManager leaves out values at their default
    std::string apn;
    std::string username;
    std::string deviceId;
    std::string simId;
    std::string simOperatorId;
    std::string interfaceName;
    std::optional<PppRefusals> ppp;  // none: the connection has no ppp setting
};

// The connection in `settings` (a{sa{sv}}, as GetSettings returns it) when it
// is of type gsm; nothing for any other type. Values of a wrong type read as
// unset.
std::optional<GsmConnection> GsmConnectionFromSettings(GVariant* settings);

// True when every restriction the connection sets matches the modem.
bool AppliesTo(const GsmConnection& connection, const ModemTarget& modem);

// The profile document, on one line, with no secret in it.
std::string ProfileXml(const GsmConnection& connection, const ModemTarget& modem);

}  // namespace paravue::mm

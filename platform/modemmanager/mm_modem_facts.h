// What one modem says, read from its proxy's property cache.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <optional>
#include <string>
#include <vector>

namespace paravue::mm {

// The first network port ("wwan0"), else the device identifier.
std::string InterfaceIdOf(MMModem* modem);
// The modem's network ports, in the daemon's order.
std::vector<std::string> NetPortsOf(MMModem* modem);
guint32 CurrentCapabilitiesOf(MMModem* modem);
// Union of every supported combination's allowed modes.
guint32 SupportedModesOf(MMModem* modem);
guint32 AllowedModesOf(MMModem* modem);
std::vector<std::string> OwnNumbersOf(MMModem* modem);
bool HasSim(MMModem* modem);
// A cached property of one of the object's interfaces; null when the
// interface or the property is not published.
GVariant* CachedProperty(gpointer proxy, const char* name);
std::string Text(const char* utf8);

}  // namespace paravue::mm

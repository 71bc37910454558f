// One modem's interfaces as libmm-glib proxies, for their typed accessors:
// taken from the event watcher's object manager (live), or made from one
// entry of a report run's object listing (as the daemon said it then).
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/modemmanager/glib_handles.h"

namespace paravue::mm {

struct ModemObject {
    std::string path;
    GObjectPtr<MMModem> modem;  // never null
    GObjectPtr<MMModem3gpp> gpp;
    GObjectPtr<MMModem3gppProfileManager> profiles;
    GObjectPtr<MMModemCdma> cdma;
    GObjectPtr<MMModemVoice> voice;
};
using ModemRef = std::shared_ptr<const ModemObject>;

// Null when the object has no modem interface.
ModemRef ModemFromObject(MMObject* object);

// Null when `interfaces` (one "a{sa{sv}}" entry of GetManagedObjects) has no
// modem interface. The proxies talk to `owner`, the daemon's unique name.
ModemRef ModemFromListing(GDBusConnection* connection, const char* owner, const char* path,
                          GVariant* interfaces);

// A proxy of `type` for `interface` of the object at `path` that starts
// without asking the daemon anything (a unique name, no property load, no
// signals) and holds `properties`, an "a{sv}" the daemon sent, in its cache.
// Null when gio cannot make it.
GObjectPtr<GObject> ProxyHolding(GType type, GDBusConnection* connection, const char* owner,
                                 const char* path, const char* interface, GVariant* properties);

// Sets up the classes of the proxies a report run makes, which each class's
// first proxy in the process would do: called while the daemon lists its
// objects, that work is done before the listing arrives rather than after.
void PrepareProxyClasses();

// What one modem says, read from its proxy's property cache.

// The first network port ("wwan0"), else the device identifier.
std::string InterfaceIdOf(MMModem* modem);
// The modem's network ports, in the daemon's order.
std::vector<std::string> NetPortsOf(MMModem* modem);
bool HasSim(MMModem* modem);
std::string Text(const char* utf8);

}  // namespace paravue::mm

// NetworkManager's saved mobile-broadband connections, read over the bus
// connection of the report run that asks. Plain D-Bus calls: ListConnections
// and one GetSettings per connection, nothing kept between calls.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <chrono>
#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/nm_profile_mapping.h"

namespace paravue::mm {

// The gsm connections in NetworkManager's order. S_OK with none when nobody
// owns NetworkManager's name; a status of the error table when it fails or
// does not answer within `bound` (each call). Connections this user may not
// see, or removed while being read, are left out.
HRESULT ReadGsmConnections(GDBusConnection* bus, std::chrono::milliseconds bound,
                           std::vector<GsmConnection>* connections);

}  // namespace paravue::mm

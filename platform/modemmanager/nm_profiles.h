// NetworkManager's saved mobile-broadband connections, read over the bus
// connection of the report run that asks. Plain D-Bus calls: ListConnections
// and one GetSettings per connection, nothing kept between calls.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <chrono>
#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_bus_link.h"
#include "platform/modemmanager/nm_profile_mapping.h"

namespace paravue::mm {

// NetworkManager's answer to ListConnections: its reply "(ao)" or its error,
// or the timeout status with neither.
struct NmListing {
    HRESULT status = S_OK;
    GVariantPtr reply;
    GErrorPtr error;
};

// ListConnections on `bus`, for a link to send and bound.
BusLink::AsyncStart ListingConnections(GDBusConnection* bus);
NmListing FinishListingConnections(GDBusConnection* bus, BusLink::Answer answer);
// Nobody owned NetworkManager's name when `listing` was asked for.
bool NetworkManagerAbsent(const NmListing& listing);

// The gsm connections in NetworkManager's order, from `listing` and one
// GetSettings each. S_OK with none when nobody owns NetworkManager's name; a
// status of the error table when it fails or does not answer within `bound`
// (each call). Connections this user may not see, or removed while being
// read, are left out.
HRESULT ReadGsmConnections(GDBusConnection* bus, std::chrono::milliseconds bound, NmListing listing,
                           std::vector<GsmConnection>* connections);

}  // namespace paravue::mm

// NetworkManager's saved mobile-broadband connections, read with plain D-Bus
// calls over the asking report run's link; nothing is kept between calls.
#pragma once

#include "platform/modemmanager/mm_glib.h"

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
// GetSettings each over `link`: none when nobody owns NetworkManager's name, a
// status of the error table when a call fails or does not answer within the
// call bound. Connections this user may not see, or removed while being read,
// are left out.
HRESULT ReadGsmConnections(BusLink& link, NmListing listing,
                           std::vector<GsmConnection>* connections);

}  // namespace paravue::mm

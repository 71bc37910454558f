// A modem's bearers, each read once per run.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_modem_reads.h"

namespace paravue::mm {

// The bearers the modem lists, in path order. Call inside a BusLink::Use.
HRESULT ListBearers(ModemReads& reads, MMModem* modem, std::vector<GObjectPtr<MMBearer>>* bearers);

}  // namespace paravue::mm

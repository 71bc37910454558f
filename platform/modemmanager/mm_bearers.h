// A modem's bearers, listed with one bounded call.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_session.h"

namespace paravue::mm {

// Call inside a Session::Use.
HRESULT ListBearers(Session& session, MMObject* modem, std::vector<GObjectPtr<MMBearer>>* bearers);

}  // namespace paravue::mm

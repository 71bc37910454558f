// The one table that turns what ModemManager and D-Bus report into the
// Mobile Broadband statuses the report prints.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include "platform/com.h"

namespace paravue::mm {

// RPC_E_WRONG_THREAD: an object handed to an event sink is used from another
// thread while the event loop owns its context.
inline constexpr HRESULT kWrongThread = MakeHresult(0x8001010E);
inline constexpr HRESULT kServiceNotActive = HRESULT_FROM_WIN32(ERROR_SERVICE_NOT_ACTIVE);
inline constexpr HRESULT kTimeout = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
inline constexpr HRESULT kNotSupported = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
inline constexpr HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

HRESULT StatusFromError(const GError* error);
// Whether `error` refuses the caller by policy (the daemon's or the bus's)
// rather than the operation in the modem's present state.
bool RefusesCaller(const GError* error);
// Whether the daemon or the bus declined the call rather than failed at it:
// the modem's state, the caller's rights or a port busy with the data
// connection forbid it now.
bool IsRefusal(const GError* error);

}  // namespace paravue::mm

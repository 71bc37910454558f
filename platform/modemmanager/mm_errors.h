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

// How a failed call reads: its status, and whether the daemon or the bus
// declined it rather than failed at it (the modem's state, the caller's
// rights or a port busy with the data connection forbid it now), and if so
// whether by policy, refusing the caller rather than the operation.
struct ErrorReading {
    HRESULT status;
    bool refusal = false;
    bool refusesCaller = false;
};
ErrorReading ReadError(const GError* error);
inline HRESULT StatusFromError(const GError* error) {
    return ReadError(error).status;
}

}  // namespace paravue::mm

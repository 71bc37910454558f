#include "platform/modemmanager/mm_errors.h"

#include "platform/modemmanager/mm_glib.h"

#include <cstring>

#include "platform/modemmanager/glib_handles.h"

namespace paravue::mm {
namespace {

struct NamedStatus {
    const char* name;
    ErrorReading reading;
};

#define PARAVUE_MM_CORE "org.freedesktop.ModemManager1.Error.Core."
#define PARAVUE_MM_EQUIPMENT "org.freedesktop.ModemManager1.Error.MobileEquipment."
#define PARAVUE_MM_SERIAL "org.freedesktop.ModemManager1.Error.Serial."
#define PARAVUE_DBUS "org.freedesktop.DBus.Error."

// Every error by its D-Bus name, whether the daemon or the bus sent it or
// glib made it locally in a registered domain. Unlisted errors are failures.
constexpr NamedStatus kByName[] = {
    {PARAVUE_MM_EQUIPMENT "SimNotInserted", {E_MBN_SIM_NOT_INSERTED}},
    {PARAVUE_MM_EQUIPMENT "SimPin", {E_MBN_PIN_REQUIRED}},
    // The SIM wants its unblocking key: still a PIN to give first.
    {PARAVUE_MM_EQUIPMENT "SimPuk", {E_MBN_PIN_REQUIRED}},
    {PARAVUE_MM_EQUIPMENT "SimFailure", {E_MBN_BAD_SIM}},
    {PARAVUE_MM_EQUIPMENT "SimWrong", {E_MBN_BAD_SIM}},
    {PARAVUE_MM_EQUIPMENT "NotSupported", {kNotSupported}},
    {PARAVUE_MM_CORE "Unsupported", {kNotSupported}},
    // Below the state an operation needs, and refused by the daemon's or the
    // bus's policy (a caller outside the local active session).
    {PARAVUE_MM_CORE "WrongState", {E_ACCESSDENIED, true}},
    {PARAVUE_MM_CORE "Unauthorized", {E_ACCESSDENIED, true, true}},
    {PARAVUE_DBUS "AccessDenied", {E_ACCESSDENIED, true, true}},
    // A modem with one AT port cannot answer while that port carries the
    // data connection.
    {PARAVUE_MM_CORE "Connected", {E_MBN_FAILURE, true}},
    {PARAVUE_MM_CORE "Retry", {E_PENDING}},
    {PARAVUE_MM_CORE "InProgress", {E_PENDING}},
    {PARAVUE_DBUS "NotSupported", {kNotSupported}},
    // The modem did not answer the daemon in time.
    {PARAVUE_MM_SERIAL "ResponseTimeout", {kTimeout}},
    {PARAVUE_DBUS "Timeout", {kTimeout}},
    {PARAVUE_DBUS "TimedOut", {kTimeout}},
    {PARAVUE_DBUS "NoReply", {kTimeout}},
    {PARAVUE_DBUS "ServiceUnknown", {kServiceNotActive}},
    {PARAVUE_DBUS "NameHasNoOwner", {kServiceNotActive}},
    {PARAVUE_DBUS "Disconnected", {kServiceNotActive}},
};

#undef PARAVUE_MM_CORE
#undef PARAVUE_MM_EQUIPMENT
#undef PARAVUE_MM_SERIAL
#undef PARAVUE_DBUS

}  // namespace

ErrorReading ReadError(const GError* error) {
    if (!error)
        return {E_MBN_FAILURE};
    if (error->domain == G_IO_ERROR) {
        // Our own bound cancels a call that has not answered in time.
        if (error->code == G_IO_ERROR_TIMED_OUT || error->code == G_IO_ERROR_CANCELLED)
            return {kTimeout};
        if (error->code == G_IO_ERROR_CLOSED)
            return {kServiceNotActive};
    }
    // By its D-Bus name: the remote name when the error came over the bus
    // (its domain may not be registered yet), else that of its registered
    // domain and code.
    GCharPtr name(g_dbus_error_is_remote_error(error) ? g_dbus_error_get_remote_error(error)
                                                      : g_dbus_error_encode_gerror(error));
    for (const NamedStatus& entry : kByName)
        if (name && std::strcmp(name.get(), entry.name) == 0)
            return entry.reading;
    return {E_MBN_FAILURE};
}

}  // namespace paravue::mm

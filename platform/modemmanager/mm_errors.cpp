#include "platform/modemmanager/mm_errors.h"

#include "platform/modemmanager/mm_glib.h"

#include <cstring>

#include "platform/modemmanager/glib_handles.h"

namespace paravue::mm {
namespace {

struct NamedStatus {
    const char* name;
    HRESULT status;
};

// Remote error names, for errors whose domain the client did not map.
constexpr NamedStatus kByName[] = {
    {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimNotInserted", E_MBN_SIM_NOT_INSERTED},
    {"org.freedesktop.ModemManager1.Error.MobileEquipment.SimPin", E_MBN_PIN_REQUIRED},
    {"org.freedesktop.ModemManager1.Error.Core.Unsupported", kNotSupported},
    {"org.freedesktop.DBus.Error.NotSupported", kNotSupported},
    {"org.freedesktop.DBus.Error.Timeout", kTimeout},
    {"org.freedesktop.DBus.Error.TimedOut", kTimeout},
    {"org.freedesktop.DBus.Error.NoReply", kTimeout},
    {"org.freedesktop.DBus.Error.ServiceUnknown", kServiceNotActive},
    {"org.freedesktop.DBus.Error.NameHasNoOwner", kServiceNotActive},
    {"org.freedesktop.DBus.Error.Disconnected", kServiceNotActive},
};

}  // namespace

HRESULT StatusFromError(const GError* error) {
    if (!error)
        return E_MBN_FAILURE;
    if (error->domain == MM_MOBILE_EQUIPMENT_ERROR) {
        if (error->code == MM_MOBILE_EQUIPMENT_ERROR_SIM_NOT_INSERTED)
            return E_MBN_SIM_NOT_INSERTED;
        if (error->code == MM_MOBILE_EQUIPMENT_ERROR_SIM_PIN)
            return E_MBN_PIN_REQUIRED;
    }
    if (error->domain == MM_CORE_ERROR && error->code == MM_CORE_ERROR_UNSUPPORTED)
        return kNotSupported;
    if (error->domain == G_DBUS_ERROR) {
        switch (error->code) {
            case G_DBUS_ERROR_NOT_SUPPORTED:
                return kNotSupported;
            case G_DBUS_ERROR_TIMEOUT:
            case G_DBUS_ERROR_TIMED_OUT:
            case G_DBUS_ERROR_NO_REPLY:
                return kTimeout;
            case G_DBUS_ERROR_SERVICE_UNKNOWN:
            case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
            case G_DBUS_ERROR_DISCONNECTED:
                return kServiceNotActive;
            default:
                break;
        }
    }
    if (error->domain == G_IO_ERROR) {
        // Our own bound cancels a call that has not answered in time.
        if (error->code == G_IO_ERROR_TIMED_OUT || error->code == G_IO_ERROR_CANCELLED)
            return kTimeout;
        if (error->code == G_IO_ERROR_CLOSED)
            return kServiceNotActive;
    }
    if (g_dbus_error_is_remote_error(error)) {
        GCharPtr name(g_dbus_error_get_remote_error(error));
        for (const NamedStatus& entry : kByName)
            if (name && std::strcmp(name.get(), entry.name) == 0)
                return entry.status;
    }
    return E_MBN_FAILURE;
}

}  // namespace paravue::mm

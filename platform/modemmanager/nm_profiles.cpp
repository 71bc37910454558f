#include "platform/modemmanager/nm_profiles.h"

#include <cstring>

#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_errors.h"

namespace paravue::mm {
namespace {

constexpr const char* kName = "org.freedesktop.NetworkManager";
constexpr const char* kSettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* kSettings = "org.freedesktop.NetworkManager.Settings";
constexpr const char* kConnection = "org.freedesktop.NetworkManager.Settings.Connection";

bool NobodyOwnsTheName(const GError* error) {
    return g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
           g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
}

// A connection private to another user answers PermissionDenied; one deleted
// since it was listed has no object any more.
bool NotForThisReader(const GError* error) {
    if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT))
        return true;
    GCharPtr name(g_dbus_error_is_remote_error(error) ? g_dbus_error_get_remote_error(error)
                                                      : nullptr);
    return name &&
           std::strcmp(name.get(), "org.freedesktop.NetworkManager.Settings.PermissionDenied") == 0;
}

}  // namespace

BusLink::AsyncStart ListingConnections(GDBusConnection* bus) {
    return [bus](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
        g_dbus_connection_call(bus, kName, kSettingsPath, kSettings, "ListConnections", nullptr,
                               G_VARIANT_TYPE("(ao)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT,
                               cancellable, done, data);
    };
}

NmListing FinishListingConnections(GDBusConnection* bus, BusLink::Answer answer) {
    NmListing listing;
    listing.status = answer.status;
    if (FAILED(listing.status))
        return listing;
    ErrorSlot error;
    listing.reply.reset(g_dbus_connection_call_finish(bus, answer.result.get(), error.Put()));
    listing.error = error.Take();
    return listing;
}

bool NetworkManagerAbsent(const NmListing& listing) {
    return SUCCEEDED(listing.status) && !listing.reply && NobodyOwnsTheName(listing.error.get());
}

HRESULT ReadGsmConnections(BusLink& link, NmListing listing,
                           std::vector<GsmConnection>* connections) {
    connections->clear();
    if (FAILED(listing.status))
        return listing.status;
    if (NetworkManagerAbsent(listing))
        return S_OK;
    if (!listing.reply)
        return StatusFromError(listing.error.get());
    ErrorSlot error;
    GVariantPtr paths(g_variant_get_child_value(listing.reply.get(), 0));
    const gsize count = g_variant_n_children(paths.get());
    for (gsize i = 0; i < count; ++i) {
        const gchar* path = nullptr;
        g_variant_get_child(paths.get(), i, "&o", &path);
        // Never starts the daemon: a desktop without it has no saved
        // connections.
        GVariantPtr reply(g_dbus_connection_call_sync(
            link.Connection(), kName, path, kConnection, "GetSettings", nullptr,
            G_VARIANT_TYPE("(a{sa{sv}})"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
            static_cast<gint>(link.Options().callBound.count()), nullptr, error.Put()));
        if (!reply) {
            GErrorPtr failure = error.Take();
            if (NotForThisReader(failure.get()))
                continue;
            return StatusFromError(failure.get());
        }
        GVariantPtr settings(g_variant_get_child_value(reply.get(), 0));
        if (std::optional<GsmConnection> gsm = GsmConnectionFromSettings(settings.get()))
            connections->push_back(std::move(*gsm));
    }
    return S_OK;
}

}  // namespace paravue::mm

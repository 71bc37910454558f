#include "platform/modemmanager/mm_modem_reads.h"

#include <algorithm>
#include <cstring>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"

namespace paravue::mm {

HRESULT ModemReads::ReadBearers(MMModem* modem, std::vector<GObjectPtr<MMBearer>>* bearers) {
    bearers->clear();
    std::vector<std::string> paths;
    if (const gchar* const* listed = mm_modem_get_bearer_paths(modem))
        paths.assign(listed, listed + g_strv_length(const_cast<gchar**>(listed)));
    std::ranges::stable_sort(paths, {}, ModemPathNumber);
    for (const std::string& path : paths) {
        GObjectPtr<GObject> object;
        if (HRESULT hr =
                ReadObject(MM_TYPE_BEARER, MM_DBUS_INTERFACE_BEARER, path.c_str(), &object);
            FAILED(hr)) {
            bearers->clear();
            return hr;
        }
        bearers->emplace_back(MM_BEARER(object.release()));
    }
    return S_OK;
}

std::vector<ObjectRead> ObjectsOf(const char* sim, const gchar* const* bearers) {
    std::vector<ObjectRead> objects;
    auto add = [&](GType type, const char* interface, const char* path) {
        if (path && std::strcmp(path, "/") != 0)
            objects.push_back({type, interface, path});
    };
    add(MM_TYPE_SIM, MM_DBUS_INTERFACE_SIM, sim);
    for (; bearers && *bearers; ++bearers)
        add(MM_TYPE_BEARER, MM_DBUS_INTERFACE_BEARER, *bearers);
    return objects;
}

std::vector<ObjectRead> ObjectsOf(const ModemObject& modem, bool sim) {
    MMModem* m = modem.modem.get();
    return ObjectsOf(sim ? mm_modem_get_sim_path(m) : nullptr, mm_modem_get_bearer_paths(m));
}

BusLink::AsyncStart StartRead(GDBusConnection* bus, const ObjectRead& read, std::string owner) {
    // A GetAll that can leave at once: a libmm-glib proxy loading its own
    // properties would first have to be made, and only the typed accessors
    // are worth having.
    return [bus, read, owner = std::move(owner)](GCancellable* cancellable,
                                                 GAsyncReadyCallback done, gpointer data) {
        g_dbus_connection_call(bus, owner.c_str(), read.path.c_str(),
                               "org.freedesktop.DBus.Properties", "GetAll",
                               g_variant_new("(s)", read.interface), G_VARIANT_TYPE("(a{sv})"),
                               G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT, cancellable, done, data);
    };
}

HRESULT FinishRead(GDBusConnection* bus, const ObjectRead& read, const std::string& owner,
                   BusLink::Answer answer, GObjectPtr<GObject>* object) {
    if (FAILED(answer.status))
        return answer.status;
    ErrorSlot error;
    GVariantPtr reply(g_dbus_connection_call_finish(bus, answer.result.get(), error.Put()));
    // Denied by the bus's policy: access denied. Otherwise refused or
    // unanswered, or answered with nothing: the daemon went, or no longer
    // serves the object; every object it serves has properties.
    if (!reply) {
        const HRESULT status = StatusFromError(error.Take().get());
        return status == E_ACCESSDENIED ? status : kServiceNotActive;
    }
    GVariantPtr properties(g_variant_get_child_value(reply.get(), 0));
    if (g_variant_n_children(properties.get()) == 0)
        return kServiceNotActive;
    GObjectPtr<GObject> proxy = ProxyHolding(read.type, bus, owner.c_str(), read.path.c_str(),
                                             read.interface, properties.get());
    if (!proxy)
        return E_MBN_FAILURE;
    *object = std::move(proxy);
    return S_OK;
}

HRESULT ReadNow(BusLink& link, const ObjectRead& read, const std::string& owner,
                GObjectPtr<GObject>* object) {
    GDBusConnection* bus = link.Connection();
    return FinishRead(bus, read, owner, link.Await(StartRead(bus, read, owner)), object);
}

ProfileList ModemReads::ListProfiles(const ModemObject& modem) {
    MMModem3gppProfileManager* manager = modem.profiles.get();
    return FinishProfileList(manager, Link().Await(StartProfileList(manager)));
}

BusLink::AsyncStart StartProfileList(MMModem3gppProfileManager* manager) {
    return [manager](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
        mm_modem_3gpp_profile_manager_list(manager, cancellable, done, data);
    };
}

ProfileList FinishProfileList(MMModem3gppProfileManager* manager, BusLink::Answer answer) {
    ProfileList listed{{answer.status}, {}};
    if (FAILED(answer.status))
        return listed;
    ErrorSlot error;
    GList* list = nullptr;
    if (!mm_modem_3gpp_profile_manager_list_finish(manager, answer.result.get(), &list,
                                                   error.Put())) {
        listed.error = ReadError(error.Take().get());
        return listed;
    }
    for (GList* item = list; item; item = item->next)
        listed.profiles.emplace_back(MM_3GPP_PROFILE(item->data));  // takes the list's reference
    g_list_free(list);
    return listed;
}

}  // namespace paravue::mm

#include "platform/modemmanager/mm_modem_object.h"

#include <cstring>

namespace paravue::mm {
GObjectPtr<GObject> ProxyHolding(GType type, GDBusConnection* connection, const char* owner,
                                 const char* path, const char* interface, GVariant* properties) {
    ErrorSlot error;
    GObjectPtr<GObject> proxy(static_cast<GObject*>(g_initable_new(
        type, nullptr, error.Put(), "g-connection", connection, "g-name", owner, "g-object-path",
        path, "g-interface-name", interface, "g-flags",
        static_cast<GDBusProxyFlags>(
            G_DBUS_PROXY_FLAGS_DO_NOT_CONNECT_SIGNALS | G_DBUS_PROXY_FLAGS_NO_MATCH_RULE |
            G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START | G_DBUS_PROXY_FLAGS_DO_NOT_LOAD_PROPERTIES),
        nullptr)));
    if (!proxy)
        return {};
    GVariantIter iter;
    g_variant_iter_init(&iter, properties);
    const gchar* name = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_next(&iter, "{&sv}", &name, &value)) {
        g_dbus_proxy_set_cached_property(G_DBUS_PROXY(proxy.get()), name, value);
        g_variant_unref(value);
    }
    return proxy;
}

void PrepareProxyClasses() {
    for (GType type : {MM_TYPE_MODEM, MM_TYPE_MODEM_3GPP, MM_TYPE_MODEM_3GPP_PROFILE_MANAGER,
                       MM_TYPE_SIM, MM_TYPE_BEARER})
        g_type_class_unref(g_type_class_ref(type));  // a static type's class stays
}

ModemRef ModemFromObject(MMObject* object) {
    MMModem* modem = object ? mm_object_peek_modem(object) : nullptr;
    if (!modem)
        return nullptr;
    auto m = std::make_shared<ModemObject>();
    m->path = mm_object_get_path(object);
    m->modem = ShareGObject(modem);
    m->gpp = ShareGObject(mm_object_peek_modem_3gpp(object));
    m->profiles = ShareGObject(mm_object_peek_modem_3gpp_profile_manager(object));
    m->cdma = ShareGObject(mm_object_peek_modem_cdma(object));
    m->voice = ShareGObject(mm_object_peek_modem_voice(object));
    return m;
}

ModemRef ModemFromListing(GDBusConnection* connection, const char* owner, const char* path,
                          GVariant* interfaces) {
    // Each interface the listing has, with the properties it gave.
    auto listed = [&]<class T>(GObjectPtr<T>& proxy, GType type, const char* interface) {
        GVariantPtr properties(
            g_variant_lookup_value(interfaces, interface, G_VARIANT_TYPE_VARDICT));
        if (properties)
            proxy.reset(static_cast<T*>(static_cast<gpointer>(
                ProxyHolding(type, connection, owner, path, interface, properties.get())
                    .release())));
    };
    auto m = std::make_shared<ModemObject>();
    m->path = path;
    listed(m->modem, MM_TYPE_MODEM, MM_DBUS_INTERFACE_MODEM);
    if (!m->modem)
        return nullptr;
    listed(m->gpp, MM_TYPE_MODEM_3GPP, MM_DBUS_INTERFACE_MODEM_MODEM3GPP);
    listed(m->profiles, MM_TYPE_MODEM_3GPP_PROFILE_MANAGER,
           MM_DBUS_INTERFACE_MODEM_MODEM3GPP_PROFILEMANAGER);
    listed(m->cdma, MM_TYPE_MODEM_CDMA, MM_DBUS_INTERFACE_MODEM_MODEMCDMA);
    listed(m->voice, MM_TYPE_MODEM_VOICE, MM_DBUS_INTERFACE_MODEM_VOICE);
    return m;
}

std::string Text(const char* utf8) {
    return utf8 ? utf8 : "";
}

std::vector<std::string> NetPortsOf(MMModem* modem) {
    MMModemPortInfo* ports = nullptr;
    guint count = 0;
    std::vector<std::string> names;
    if (mm_modem_get_ports(modem, &ports, &count)) {
        for (guint i = 0; i < count; ++i)
            if (ports[i].type == MM_MODEM_PORT_TYPE_NET && ports[i].name)
                names.emplace_back(ports[i].name);
        // What mm_modem_port_info_array_free does; its declaration lacks C
        // linkage in this version of the library's headers.
        for (guint i = 0; i < count; ++i)
            g_free(ports[i].name);
        g_free(ports);
    }
    return names;
}

std::string InterfaceIdOf(MMModem* modem) {
    std::vector<std::string> net = NetPortsOf(modem);
    return net.empty() ? Text(mm_modem_get_device_identifier(modem)) : net.front();
}

bool HasSim(MMModem* modem) {
    const char* path = mm_modem_get_sim_path(modem);
    return path && std::strcmp(path, "/") != 0;
}

}  // namespace paravue::mm

#include "platform/modemmanager/mm_modem_object.h"

namespace paravue::mm {
namespace {

template <class T>
GObjectPtr<T> Shared(gpointer proxy) {
    return GObjectPtr<T>(proxy ? static_cast<T*>(g_object_ref(proxy)) : nullptr);
}

// One interface of a listed object, with the properties the listing gave.
template <class T>
GObjectPtr<T> ListedProxy(GType type, GDBusConnection* connection, const char* owner,
                          const char* path, const char* interface, GVariant* interfaces) {
    GVariantPtr properties(g_variant_lookup_value(interfaces, interface, G_VARIANT_TYPE_VARDICT));
    if (!properties)
        return {};
    GObjectPtr<GObject> proxy =
        ProxyHolding(type, connection, owner, path, interface, properties.get());
    return GObjectPtr<T>(static_cast<T*>(static_cast<gpointer>(proxy.release())));
}

}  // namespace

GObjectPtr<GObject> ProxyHolding(GType type, GDBusConnection* connection, const char* owner,
                                 const char* path, const char* interface, GVariant* properties) {
    ErrorSlot error;
    GObjectPtr<GObject> proxy(static_cast<GObject*>(g_initable_new(
        type, nullptr, error.Put(), "g-connection", connection, "g-name", owner, "g-object-path",
        path, "g-interface-name", interface, "g-flags",
        static_cast<GDBusProxyFlags>(kQuietProxy | G_DBUS_PROXY_FLAGS_DO_NOT_LOAD_PROPERTIES),
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
    m->modem = Shared<MMModem>(modem);
    m->gpp = Shared<MMModem3gpp>(mm_object_peek_modem_3gpp(object));
    m->profiles =
        Shared<MMModem3gppProfileManager>(mm_object_peek_modem_3gpp_profile_manager(object));
    m->cdma = Shared<MMModemCdma>(mm_object_peek_modem_cdma(object));
    m->voice = Shared<MMModemVoice>(mm_object_peek_modem_voice(object));
    return m;
}

ModemRef ModemFromListing(GDBusConnection* connection, const char* owner, const char* path,
                          GVariant* interfaces) {
    auto m = std::make_shared<ModemObject>();
    m->path = path;
    m->modem = ListedProxy<MMModem>(MM_TYPE_MODEM, connection, owner, path, MM_DBUS_INTERFACE_MODEM,
                                    interfaces);
    if (!m->modem)
        return nullptr;
    m->gpp = ListedProxy<MMModem3gpp>(MM_TYPE_MODEM_3GPP, connection, owner, path,
                                      MM_DBUS_INTERFACE_MODEM_MODEM3GPP, interfaces);
    m->profiles = ListedProxy<MMModem3gppProfileManager>(
        MM_TYPE_MODEM_3GPP_PROFILE_MANAGER, connection, owner, path,
        MM_DBUS_INTERFACE_MODEM_MODEM3GPP_PROFILEMANAGER, interfaces);
    m->cdma = ListedProxy<MMModemCdma>(MM_TYPE_MODEM_CDMA, connection, owner, path,
                                       MM_DBUS_INTERFACE_MODEM_MODEMCDMA, interfaces);
    m->voice = ListedProxy<MMModemVoice>(MM_TYPE_MODEM_VOICE, connection, owner, path,
                                         MM_DBUS_INTERFACE_MODEM_VOICE, interfaces);
    return m;
}

}  // namespace paravue::mm

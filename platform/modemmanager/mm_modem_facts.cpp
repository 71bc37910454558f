#include "platform/modemmanager/mm_modem_facts.h"

#include <cstring>

namespace paravue::mm {

std::string Text(const char* utf8) {
    return utf8 ? utf8 : "";
}

std::vector<std::string> NetPortsOf(MMObject* object) {
    MMModem* modem = mm_object_peek_modem(object);
    MMModemPortInfo* ports = nullptr;
    guint count = 0;
    std::vector<std::string> names;
    if (modem && mm_modem_get_ports(modem, &ports, &count)) {
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

std::string InterfaceIdOf(MMObject* object) {
    MMModem* modem = mm_object_peek_modem(object);
    if (!modem)
        return {};
    std::vector<std::string> net = NetPortsOf(object);
    return net.empty() ? Text(mm_modem_get_device_identifier(modem)) : net.front();
}

guint32 CurrentCapabilitiesOf(MMObject* object) {
    MMModem* modem = mm_object_peek_modem(object);
    return modem ? static_cast<guint32>(mm_modem_get_current_capabilities(modem)) : 0u;
}

guint32 SupportedModesOf(MMObject* object) {
    MMModem* modem = mm_object_peek_modem(object);
    MMModemModeCombination* modes = nullptr;
    guint count = 0;
    guint32 all = 0;
    if (modem && mm_modem_get_supported_modes(modem, &modes, &count)) {
        for (guint i = 0; i < count; ++i)
            all |= modes[i].allowed;
        g_free(modes);
    }
    return all;
}

guint32 AllowedModesOf(MMObject* object) {
    MMModem* modem = mm_object_peek_modem(object);
    MMModemMode allowed = MM_MODEM_MODE_NONE;
    MMModemMode preferred = MM_MODEM_MODE_NONE;
    if (modem && mm_modem_get_current_modes(modem, &allowed, &preferred))
        return allowed;
    return 0;
}

std::vector<std::string> OwnNumbersOf(MMObject* object) {
    std::vector<std::string> numbers;
    MMModem* modem = mm_object_peek_modem(object);
    if (!modem)
        return numbers;
    if (const gchar* const* own = mm_modem_get_own_numbers(modem))
        for (; *own; ++own)
            numbers.emplace_back(*own);
    return numbers;
}

bool HasSim(MMObject* object) {
    MMModem* modem = mm_object_peek_modem(object);
    const char* path = modem ? mm_modem_get_sim_path(modem) : nullptr;
    return path && std::strcmp(path, "/") != 0;
}

bool ProxyLoaded(gpointer proxy) {
    gchar** names = g_dbus_proxy_get_cached_property_names(G_DBUS_PROXY(proxy));
    bool loaded = names && names[0];
    g_strfreev(names);
    return loaded;
}

GVariant* CachedProperty(gpointer proxy, const char* name) {
    if (!proxy)
        return nullptr;
    return g_dbus_proxy_get_cached_property(G_DBUS_PROXY(proxy), name);
}

}  // namespace paravue::mm

#include "platform/modemmanager/mm_modem_facts.h"

#include <cstring>

namespace paravue::mm {

std::string Text(const char* utf8) {
    return utf8 ? utf8 : "";
}

std::string InterfaceIdOf(MMModem* modem) {
    MMModemPortInfo* ports = nullptr;
    guint count = 0;
    std::string id;
    if (mm_modem_get_ports(modem, &ports, &count)) {
        for (guint i = 0; i < count; ++i) {
            if (ports[i].type == MM_MODEM_PORT_TYPE_NET && ports[i].name) {
                id = ports[i].name;
                break;
            }
        }
        // What mm_modem_port_info_array_free does; its declaration lacks C
        // linkage in this version of the library's headers.
        for (guint i = 0; i < count; ++i)
            g_free(ports[i].name);
        g_free(ports);
    }
    if (id.empty())
        id = Text(mm_modem_get_device_identifier(modem));
    return id;
}

guint32 CurrentCapabilitiesOf(MMModem* modem) {
    return static_cast<guint32>(mm_modem_get_current_capabilities(modem));
}

guint32 SupportedModesOf(MMModem* modem) {
    MMModemModeCombination* modes = nullptr;
    guint count = 0;
    guint32 all = 0;
    if (mm_modem_get_supported_modes(modem, &modes, &count)) {
        for (guint i = 0; i < count; ++i)
            all |= modes[i].allowed;
        g_free(modes);
    }
    return all;
}

guint32 AllowedModesOf(MMModem* modem) {
    MMModemMode allowed = MM_MODEM_MODE_NONE;
    MMModemMode preferred = MM_MODEM_MODE_NONE;
    if (mm_modem_get_current_modes(modem, &allowed, &preferred))
        return allowed;
    return 0;
}

std::vector<std::string> OwnNumbersOf(MMModem* modem) {
    std::vector<std::string> numbers;
    if (const gchar* const* own = mm_modem_get_own_numbers(modem))
        for (; *own; ++own)
            numbers.emplace_back(*own);
    return numbers;
}

bool HasSim(MMModem* modem) {
    const char* path = mm_modem_get_sim_path(modem);
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

#include "platform/modemmanager/mm_modem_facts.h"

#include <cstring>

namespace paravue::mm {

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

GVariant* CachedProperty(gpointer proxy, const char* name) {
    if (!proxy)
        return nullptr;
    return g_dbus_proxy_get_cached_property(G_DBUS_PROXY(proxy), name);
}

}  // namespace paravue::mm

// The least a report run on ModemManager can cost, for the whole-process
// benchmark (scripts/bench-modemmanager.sh): a client that loads what
// paravue-report loads, connects to the system bus with gio, lists the
// daemon's objects and sends the first modem's SIM and bearer reads, its
// profile list and NetworkManager's ListConnections together, waits for the
// answers and leaves. It makes no proxy and writes no report, so its time is
// the libraries, the bus and the daemon: what no report run can go below.
// With --listing-only it leaves once the listing is in, as `mmcli -m 0` asks
// the daemon nothing else: the difference is what the report's four reads
// cost. Exit status 0 when the daemon answered every call, 1 otherwise.
#include "platform/modemmanager/glib_handles.h"

#include <cstdlib>
#include <cstring>
#include <string>

using namespace paravue::mm;

namespace {

struct Answers {
    int open = 0;
    bool failed = false;
};

void OnAnswer(GObject* source, GAsyncResult* result, gpointer data) {
    auto* answers = static_cast<Answers*>(data);
    ErrorSlot error;
    GVariantPtr reply(
        g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.Put()));
    GErrorPtr failure = error.Take();
    // NetworkManager may be absent: the bus answers for it.
    if (!reply && !g_error_matches(failure.get(), G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) &&
        !g_error_matches(failure.get(), G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER))
        answers->failed = true;
    --answers->open;
}

void Send(GDBusConnection* bus, Answers* answers, const char* name, const char* path,
          const char* interface, const char* method, GVariant* parameters) {
    ++answers->open;
    g_dbus_connection_call(bus, name, path, interface, method, parameters, nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, OnAnswer, answers);
}

unsigned long PathNumber(const std::string& path) {
    return std::strtoul(path.c_str() + path.rfind('/') + 1, nullptr, 10);
}

}  // namespace

int main(int argc, char** argv) {
    const bool listingOnly = argc > 1 && std::strcmp(argv[1], "--listing-only") == 0;
    GMainContextPtr context(g_main_context_new());
    g_main_context_push_thread_default(context.get());
    GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr));
    if (!bus)
        return 1;
    GVariantPtr listing(g_dbus_connection_call_sync(
        bus.get(), MM_DBUS_SERVICE, MM_DBUS_PATH, "org.freedesktop.DBus.ObjectManager",
        "GetManagedObjects", nullptr, G_VARIANT_TYPE("(a{oa{sa{sv}}})"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr));
    if (!listing)
        return 1;

    // The first modem: the lowest path number.
    std::string modem;
    GVariantPtr first;
    GVariantPtr objects(g_variant_get_child_value(listing.get(), 0));
    GVariantIter iter;
    g_variant_iter_init(&iter, objects.get());
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        GVariantPtr owned(interfaces);
        GVariantPtr properties(
            g_variant_lookup_value(interfaces, MM_DBUS_INTERFACE_MODEM, G_VARIANT_TYPE_VARDICT));
        if (properties && (modem.empty() || PathNumber(path) < PathNumber(modem))) {
            first = std::move(properties);
            modem = path;
        }
    }
    if (!first)
        return 1;
    if (listingOnly)
        return 0;

    Answers answers;
    const gchar* sim = nullptr;
    if (g_variant_lookup(first.get(), "Sim", "&o", &sim) && std::strcmp(sim, "/") != 0)
        Send(bus.get(), &answers, MM_DBUS_SERVICE, sim, "org.freedesktop.DBus.Properties", "GetAll",
             g_variant_new("(s)", MM_DBUS_INTERFACE_SIM));
    const gchar** bearers = nullptr;
    if (g_variant_lookup(first.get(), "Bearers", "^a&o", &bearers)) {
        std::unique_ptr<const gchar*, GFreeDeleter> owned(bearers);
        for (const gchar** bearer = bearers; *bearer; ++bearer)
            Send(bus.get(), &answers, MM_DBUS_SERVICE, *bearer, "org.freedesktop.DBus.Properties",
                 "GetAll", g_variant_new("(s)", MM_DBUS_INTERFACE_BEARER));
    }
    Send(bus.get(), &answers, MM_DBUS_SERVICE, modem.c_str(),
         MM_DBUS_INTERFACE_MODEM_MODEM3GPP_PROFILEMANAGER, "List", nullptr);
    Send(bus.get(), &answers, "org.freedesktop.NetworkManager",
         "/org/freedesktop/NetworkManager/Settings", "org.freedesktop.NetworkManager.Settings",
         "ListConnections", nullptr);
    while (answers.open > 0)
        g_main_context_iteration(context.get(), TRUE);
    g_main_context_pop_thread_default(context.get());
    return answers.failed ? 1 : 0;
}

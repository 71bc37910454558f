#include "mock_daemon.h"

#include <fcntl.h>
#include <gio/gio.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

constexpr const char* kPython = "/usr/bin/python3";

struct Daemon {
    const char* name;
    const char* path;
    std::string templateName;
};

Daemon DaemonOf(MockDaemon::Service service) {
    if (service == MockDaemon::Service::NetworkManager)
        return {"org.freedesktop.NetworkManager", "/org/freedesktop/NetworkManager",
                "networkmanager"};
    return {"org.freedesktop.ModemManager1", "/org/freedesktop/ModemManager1",
            std::string(PARAVUE_SOURCE_DIR) + "/tests/dbusmock/modemmanager.py"};
}

}  // namespace

std::string MockDaemon::Unavailable() {
    if (!std::getenv("PARAVUE_PRIVATE_BUS") || !std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
        return "no private system bus: run through scripts/with-private-bus.sh";
    if (std::system("/usr/bin/python3 -c 'import dbusmock' >/dev/null 2>&1") != 0)
        return "python3-dbusmock is not installed";
    return {};
}

MockDaemon::~MockDaemon() {
    Thaw();
    Kill();
    if (bus_)
        g_object_unref(bus_);
}

GDBusConnection* MockDaemon::Bus() {
    if (!bus_) {
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, nullptr);
        if (!address)
            return nullptr;
        bus_ = g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        g_free(address);
    }
    return bus_;
}

bool MockDaemon::Start(const std::string& parameters) {
    const Daemon daemon = DaemonOf(service_);
    const char* argv[] = {kPython,
                          "-m",
                          "dbusmock",
                          "--system",
                          "--template",
                          daemon.templateName.c_str(),
                          parameters.empty() ? nullptr : "--parameters",
                          parameters.c_str(),
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    int failed = posix_spawn(&pid_, kPython, &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        pid_ = -1;
        return false;
    }
    if (!Bus())
        return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (NameOwned())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool MockDaemon::NameOwned() {
    GVariant* reply = g_dbus_connection_call_sync(
        Bus(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", DaemonOf(service_).name), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    return owned;
}

void MockDaemon::Kill() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    // Wait for the bus to drop the name, so the next step sees it gone.
    for (int attempt = 0; attempt < 100 && Bus(); ++attempt) {
        if (!NameOwned())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void MockDaemon::Freeze() {
    if (pid_ > 0)
        kill(pid_, SIGSTOP);
}

void MockDaemon::Thaw() {
    if (pid_ > 0)
        kill(pid_, SIGCONT);
}

bool MockDaemon::Call(const char* method, GVariant* parameters) {
    return CallOn(DaemonOf(service_).path, "org.freedesktop.DBus.Mock", method, parameters);
}

bool MockDaemon::CallOn(const char* path, const char* interface, const char* method,
                        GVariant* parameters) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(Bus(), DaemonOf(service_).name, path, interface,
                                                  method, parameters, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (error) {
        g_printerr("mock %s: %s\n", method, error->message);
        g_error_free(error);
    }
    if (!reply)
        return false;
    g_variant_unref(reply);
    return true;
}

bool MockDaemon::AddModem(unsigned index, GVariant* options) {
    if (!options)
        options = g_variant_new("a{sv}", nullptr);
    return Call("AddModem", g_variant_new("(u@a{sv})", index, options));
}

bool MockDaemon::AddConnection(GVariant* settings) {
    return CallOn("/org/freedesktop/NetworkManager/Settings",
                  "org.freedesktop.NetworkManager.Settings", "AddConnection",
                  g_variant_new("(@a{sa{sv}})", settings));
}

bool MockDaemon::FailMethod(const char* path, const char* interface, const char* method,
                            const char* outSignature, const char* errorName) {
    std::string code =
        std::string("raise dbus.exceptions.DBusException('failed', name='") + errorName + "')";
    return CallOn(path, "org.freedesktop.DBus.Mock", "AddMethod",
                  g_variant_new("(sssss)", interface, method, "", outSignature, code.c_str()));
}

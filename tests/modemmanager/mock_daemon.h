// Starts a mock daemon on the private system bus that
// scripts/with-private-bus.sh provides, and drives it: the project's
// ModemManager mock, or python3-dbusmock's own NetworkManager template.
#pragma once

#include <sys/types.h>

#include <string>

// glib's types, declared here so that this header can come before glib's
// headers (the boundary's TRUE and FALSE must be declared first).
typedef struct _GVariant GVariant;
typedef struct _GDBusConnection GDBusConnection;

class MockDaemon {
  public:
    // Why the mock cannot run here (no private bus, no python3-dbusmock);
    // empty when it can.
    static std::string Unavailable();

    enum class Service { ModemManager, NetworkManager };
    explicit MockDaemon(Service service = Service::ModemManager) : service_(service) {}
    MockDaemon(const MockDaemon&) = delete;
    MockDaemon& operator=(const MockDaemon&) = delete;
    ~MockDaemon();

    // Starts the mock and waits until it owns the daemon's name.
    // `parameters`: a JSON object for the template, empty for none.
    bool Start(const std::string& parameters = {});
    void Kill();    // the daemon dies: its name goes away
    void Freeze();  // the daemon stops answering, its name stays
    void Thaw();

    // Calls a method of the mock's control interface; false on failure.
    // `parameters` is floating and consumed.
    bool Call(const char* method, GVariant* parameters);
    bool AddModem(unsigned index, GVariant* options = nullptr);
    // NetworkManager: saves a connection (a{sa{sv}}, floating, consumed).
    bool AddConnection(GVariant* settings);
    // From now on the method of the object at `path` answers the D-Bus error
    // `errorName`.
    bool FailMethod(const char* path, const char* interface, const char* method,
                    const char* outSignature, const char* errorName);

  private:
    GDBusConnection* Bus();
    bool CallOn(const char* path, const char* interface, const char* method, GVariant* parameters);
    bool NameOwned();

    Service service_;
    pid_t pid_ = -1;
    GDBusConnection* bus_ = nullptr;
};

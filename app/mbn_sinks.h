// The event sinks: they receive the service's events on its threads and turn
// each into one notification posted to the main window, whose handler rebuilds
// the report on the window's own thread.
#pragma once

#include <atomic>
#include <mutex>

#include <QEvent>

#include "platform/com_object.h"
#include "platform/mbn.h"

class QObject;

namespace paravue::app {

// One service notification: a single registered event type, the kind of
// service event as its payload. The window treats every kind alike.
class MbnNotification final : public QEvent {
  public:
    enum class Kind {
        InterfaceArrival,
        InterfaceRemoval,
        PacketServiceState,
        RegisterModeAvailable,
        RegisterState,
    };

    // Made on a service thread, read on the window's: Qt's queue hands the
    // event over under a lock of its own that thread checkers cannot see, so
    // the kind is published with release and read with acquire.
    explicit MbnNotification(Kind kind) : QEvent(registeredType()) {
        m_kind.store(kind, std::memory_order_release);
    }
    static QEvent::Type registeredType();
    Kind kind() const { return m_kind.load(std::memory_order_acquire); }

  private:
    std::atomic<Kind> m_kind{};
};

// The application's main-window pointer, which the sinks read from the
// service's threads. Setting it and posting through it exclude each other, so
// once Set(nullptr) returns no thread can post to the window any more, and the
// window may go.
class MainWindowSlot {
  public:
    void Set(QObject* window);
    QObject* Get() const;

    // Posts a notification to the main window; false, and nothing posted,
    // while there is none.
    bool Post(MbnNotification::Kind kind) const;

  private:
    mutable std::mutex mutex_;
    QObject* window_ = nullptr;
};

// Interface arrival and removal. `mainWindow` must outlive the sink.
class CMbnInterfaceManagerSinks final
    : public ComObject<CMbnInterfaceManagerSinks, IMbnInterfaceManagerEvents> {
  public:
    explicit CMbnInterfaceManagerSinks(const MainWindowSlot& mainWindow)
        : mainWindow_(mainWindow) {}

    // Post only when the interface and its ID can be read; always S_OK.
    HRESULT OnInterfaceArrival(IMbnInterface* newInterface) override;
    HRESULT OnInterfaceRemoval(IMbnInterface* oldInterface) override;

  private:
    void PostIfIdentified(IMbnInterface* mbnInterface, MbnNotification::Kind kind);

    const MainWindowSlot& mainWindow_;
};

// Registration and packet-service changes. `mainWindow` must outlive the sink.
class CMbnRegistrationSinks final
    : public ComObject<CMbnRegistrationSinks, IMbnRegistrationEvents> {
  public:
    explicit CMbnRegistrationSinks(const MainWindowSlot& mainWindow) : mainWindow_(mainWindow) {}

    // The registration argument is not used; every method returns S_OK.
    HRESULT OnRegisterModeAvailable(IMbnRegistration* registration) override;
    HRESULT OnRegisterStateChange(IMbnRegistration* registration) override;
    HRESULT OnPacketServiceStateChange(IMbnRegistration* registration) override;
    // Answers a request this program never makes: posts nothing.
    HRESULT OnSetRegisterModeComplete(IMbnRegistration* registration, ULONG requestId,
                                      HRESULT status) override;

  private:
    const MainWindowSlot& mainWindow_;
};

}  // namespace paravue::app

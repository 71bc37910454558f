// The event sinks: they receive the service's events on its threads and turn
// each into one notification posted to the main window, whose handler rebuilds
// the report on the window's own thread.
#pragma once

#include <deque>
#include <mutex>

#include <QEvent>
#include <QObject>

#include "platform/com_object.h"
#include "platform/mbn.h"

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

    explicit MbnNotification(Kind kind) : QEvent(registeredType()), kind_(kind) {}
    static QEvent::Type registeredType();
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// Carries notifications from the service's threads to one window: a child of
// the window, so it lives on the window's thread and goes with it (and so do
// its queued calls). A service thread queues the kind here, under a lock of
// ours, and asks Qt for a call of Deliver; that call, on the window's thread,
// takes one kind and sends the window a notification made there. Nothing
// made on a service thread is read or freed on the window's thread except
// through that lock, so thread checkers see the hand-over.
class NotificationRelay final : public QObject {
    Q_OBJECT

  public:
    explicit NotificationRelay(QObject* window) : QObject(window) {}
    // From any thread: queues `kind` and one call of Deliver.
    void Queue(MbnNotification::Kind kind);
    Q_INVOKABLE void Deliver();

  private:
    std::mutex mutex_;
    std::deque<MbnNotification::Kind> kinds_;
};

// The application's main-window pointer, which the sinks read from the
// service's threads. Setting it and posting through it exclude each other, so
// once Set(nullptr) returns no thread can post to the window any more, and the
// window may go. Set is called on the window's thread.
class MainWindowSlot {
  public:
    void Set(QObject* window);
    QObject* Get() const;

    // Posts a notification to the main window; false, and nothing posted,
    // while there is none. What was posted before Set(nullptr) still reaches
    // the window while it lives.
    bool Post(MbnNotification::Kind kind) const;

  private:
    mutable std::mutex mutex_;
    QObject* window_ = nullptr;
    NotificationRelay* relay_ = nullptr;  // owned by window_, as its child
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

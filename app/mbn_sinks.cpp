#include "app/mbn_sinks.h"

#include <QCoreApplication>

namespace paravue::app {

QEvent::Type MbnNotification::registeredType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void NotificationRelay::Queue(MbnNotification::Kind kind) {
    {
        std::lock_guard lock(mutex_);
        kinds_.push_back(kind);
    }
    // By name: Qt makes and frees the queued call itself.
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void NotificationRelay::Deliver() {
    MbnNotification::Kind kind;
    {
        std::lock_guard lock(mutex_);
        if (kinds_.empty())
            return;
        kind = kinds_.front();
        kinds_.pop_front();
    }
    // One notification per call, so that other events of the window's loop
    // come between the rebuilds of a burst.
    MbnNotification notification(kind);
    QCoreApplication::sendEvent(parent(), &notification);
}

void MainWindowSlot::Set(QObject* window) {
    // The window owns its relay; a relay left behind by Set(nullptr) still
    // delivers what was queued while its window lives.
    NotificationRelay* relay = window ? new NotificationRelay(window) : nullptr;
    std::lock_guard lock(mutex_);
    window_ = window;
    relay_ = relay;
}

QObject* MainWindowSlot::Get() const {
    std::lock_guard lock(mutex_);
    return window_;
}

bool MainWindowSlot::Post(MbnNotification::Kind kind) const {
    std::lock_guard lock(mutex_);
    if (!relay_)
        return false;
    // Queueing never waits on the window's thread, so holding the lock here
    // (which keeps the window and its relay alive) blocks nobody for long.
    relay_->Queue(kind);
    return true;
}

HRESULT CMbnInterfaceManagerSinks::OnInterfaceArrival(IMbnInterface* newInterface) {
    PostIfIdentified(newInterface, MbnNotification::Kind::InterfaceArrival);
    return S_OK;
}

HRESULT CMbnInterfaceManagerSinks::OnInterfaceRemoval(IMbnInterface* oldInterface) {
    PostIfIdentified(oldInterface, MbnNotification::Kind::InterfaceRemoval);
    return S_OK;
}

void CMbnInterfaceManagerSinks::PostIfIdentified(IMbnInterface* mbnInterface,
                                                 MbnNotification::Kind kind) {
    if (!mbnInterface)
        return;
    // The window never reads the ID; it only decides whether the event is posted.
    UniqueBstr interfaceId;
    if (FAILED(mbnInterface->get_InterfaceID(interfaceId.Put())))
        return;
    mainWindow_.Post(kind);
}

HRESULT CMbnRegistrationSinks::OnRegisterModeAvailable(IMbnRegistration*) {
    mainWindow_.Post(MbnNotification::Kind::RegisterModeAvailable);
    return S_OK;
}

HRESULT CMbnRegistrationSinks::OnRegisterStateChange(IMbnRegistration*) {
    mainWindow_.Post(MbnNotification::Kind::RegisterState);
    return S_OK;
}

HRESULT CMbnRegistrationSinks::OnPacketServiceStateChange(IMbnRegistration*) {
    mainWindow_.Post(MbnNotification::Kind::PacketServiceState);
    return S_OK;
}

HRESULT CMbnRegistrationSinks::OnSetRegisterModeComplete(IMbnRegistration*, ULONG, HRESULT) {
    return S_OK;
}

}  // namespace paravue::app

#include "app/mbn_sinks.h"

#include <memory>

#include <QCoreApplication>

namespace paravue::app {

QEvent::Type MbnNotification::registeredType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void MainWindowSlot::Set(QObject* window) {
    std::lock_guard lock(mutex_);
    window_ = window;
}

QObject* MainWindowSlot::Get() const {
    std::lock_guard lock(mutex_);
    return window_;
}

bool MainWindowSlot::Post(MbnNotification::Kind kind) const {
    std::lock_guard lock(mutex_);
    if (!window_)
        return false;
    // Posting only queues the event (Qt takes it over), so holding the lock
    // here never waits on the window's thread.
    QCoreApplication::postEvent(window_, std::make_unique<MbnNotification>(kind).release());
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

#include "app/main_window_slot.h"

#include <memory>

#include <QCoreApplication>
#include <QEvent>

namespace paravue::app {

void MainWindowSlot::Set(QObject* window) {
    std::lock_guard lock(mutex_);
    window_ = window;
}

QObject* MainWindowSlot::Get() const {
    std::lock_guard lock(mutex_);
    return window_;
}

bool MainWindowSlot::Post(int eventType) const {
    std::lock_guard lock(mutex_);
    if (!window_)
        return false;
    // Posting only queues the event (Qt takes it over), so holding the lock
    // here never waits on the window's thread.
    auto event = std::make_unique<QEvent>(static_cast<QEvent::Type>(eventType));
    QCoreApplication::postEvent(window_, event.release());
    return true;
}

}  // namespace paravue::app

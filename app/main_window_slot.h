// The application's main-window pointer, which the event sinks read from the
// service's threads to post notifications. Setting it and posting through it
// exclude each other, so once Set(nullptr) returns no thread can post to the
// window any more, and the window may go.
#pragma once

#include <mutex>

class QObject;

namespace paravue::app {

class MainWindowSlot {
  public:
    void Set(QObject* window);
    QObject* Get() const;

    // Posts an event of `eventType` to the main window; false, and nothing
    // posted, while there is none.
    bool Post(int eventType) const;

  private:
    mutable std::mutex mutex_;
    QObject* window_ = nullptr;
};

}  // namespace paravue::app

// The subscriptions of one interface manager over both of its connection
// points, so the event watcher runs exactly while someone listens.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/modemmanager/mm_event_watcher.h"

namespace paravue::mm {

// Owns the watcher, counts the subscriptions and decides, under one lock,
// whether the watcher should run; the start or stop itself happens outside the lock. Whoever is
// acting settles again when it is done, so a change made meanwhile (from a
// handler on the watcher's thread, say) is never lost and never waited for.
class Subscriptions {
  public:
    Subscriptions(ServiceOptions options, EventHandlers handlers);
    Subscriptions(const Subscriptions&) = delete;
    Subscriptions& operator=(const Subscriptions&) = delete;

    void Added();
    void Removed();
    // The manager is going: the watcher stops and never starts again.
    void Close();

  private:
    void Settle(std::unique_lock<std::mutex>& lock);

    EventWatcher watcher_;
    std::mutex mutex_;
    std::size_t count_ = 0;
    bool closed_ = false;
    bool running_ = false;
    bool acting_ = false;
};

// A connection point that reports each successful Advise and Unadvise to
// its manager's subscriptions.
class WatchedPoint final : public ServiceObject<WatchedPoint, IConnectionPoint> {
  public:
    WatchedPoint(ComPtr<ConnectionPoint> inner, std::shared_ptr<Subscriptions> subscriptions);

    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

  private:
    const ComPtr<ConnectionPoint> inner_;
    const std::shared_ptr<Subscriptions> subscriptions_;
};

}  // namespace paravue::mm

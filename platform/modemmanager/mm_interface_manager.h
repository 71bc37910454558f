// The interface manager: one interface per modem, and the two event
// connection points, fed by an event watcher while anyone subscribes.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_event_watcher.h"
#include "platform/modemmanager/mm_run_reader.h"

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

class MmInterfaceManager final
    : public ServiceObject<MmInterfaceManager, IMbnInterfaceManager, IConnectionPointContainer> {
  public:
    MmInterfaceManager(std::shared_ptr<RunReader> reader, const ServiceOptions& options);
    ~MmInterfaceManager();

    HRESULT GetInterfaces(SAFEARRAY** interfaces) override;
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  private:
    std::shared_ptr<RunReader> reader_;
    ComPtr<ConnectionPoint> managerEvents_;
    ComPtr<ConnectionPoint> registrationEvents_;
    // Shared with both points: a point held after this manager is gone stays
    // safe to call and never starts the watcher again.
    std::shared_ptr<Subscriptions> subscriptions_;
    ComPtr<WatchedPoint> managerPoint_;
    ComPtr<WatchedPoint> registrationPoint_;
};

}  // namespace paravue::mm

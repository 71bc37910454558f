#include "platform/modemmanager/mm_interface_manager.h"

#include <cstddef>
#include <mutex>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_event_watcher.h"
#include "platform/modemmanager/mm_interface.h"

namespace paravue::mm {
// Owns the watcher, counts the subscriptions and decides, under one lock,
// whether the watcher should run; the start or stop itself happens outside
// the lock. Whoever is acting settles again when it is done, so a change
// made meanwhile (from a sink on the watcher's thread, say) is never lost
// and never waited for.
class Subscriptions {
  public:
    Subscriptions(ServiceOptions options, EventPoints points)
        : watcher_(std::move(options), std::move(points)) {}

    void Added() {
        std::unique_lock lock(mutex_);
        ++count_;
        Settle(lock);
    }
    void Removed() {
        std::unique_lock lock(mutex_);
        if (count_ > 0)
            --count_;
        Settle(lock);
    }
    // The manager is going: the watcher stops and never starts again.
    void Close() {
        std::unique_lock lock(mutex_);
        closed_ = true;
        Settle(lock);
    }

  private:
    void Settle(std::unique_lock<std::mutex>& lock);

    EventWatcher watcher_;
    std::mutex mutex_;
    std::size_t count_ = 0;
    bool closed_ = false;
    bool running_ = false;
    bool acting_ = false;
};

void Subscriptions::Settle(std::unique_lock<std::mutex>& lock) {
    if (acting_)
        return;  // the thread acting now settles again after its step
    acting_ = true;
    for (;;) {
        bool wanted = count_ > 0 && !closed_;
        if (wanted == running_)
            break;
        running_ = wanted;
        lock.unlock();
        if (wanted)
            watcher_.Start();
        else
            watcher_.Stop();
        lock.lock();
    }
    acting_ = false;
}

// A connection point that reports each successful Advise and Unadvise to
// its manager's subscriptions.
class WatchedPoint final : public ServiceObject<WatchedPoint, IConnectionPoint> {
  public:
    WatchedPoint(ComPtr<ConnectionPoint> inner, std::shared_ptr<Subscriptions> subscriptions)
        : inner_(std::move(inner)), subscriptions_(std::move(subscriptions)) {}

    HRESULT GetConnectionInterface(IID* iid) override {
        return inner_->GetConnectionInterface(iid);
    }
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override {
        HRESULT hr = inner_->Advise(sink, cookie);
        if (SUCCEEDED(hr))
            subscriptions_->Added();
        return hr;
    }
    HRESULT Unadvise(DWORD cookie) override {
        HRESULT hr = inner_->Unadvise(cookie);
        if (SUCCEEDED(hr))
            subscriptions_->Removed();
        return hr;
    }

  private:
    const ComPtr<ConnectionPoint> inner_;
    const std::shared_ptr<Subscriptions> subscriptions_;
};

MmInterfaceManager::MmInterfaceManager(std::shared_ptr<RunReader> reader,
                                       const ServiceOptions& options)
    : reader_(std::move(reader)),
      managerEvents_(MakeComObject<ConnectionPoint>(IID_IMbnInterfaceManagerEvents)),
      registrationEvents_(MakeComObject<ConnectionPoint>(IID_IMbnRegistrationEvents)),
      subscriptions_(std::make_shared<Subscriptions>(
          options, EventPoints{managerEvents_, registrationEvents_})),
      managerPoint_(MakeComObject<WatchedPoint>(managerEvents_, subscriptions_)),
      registrationPoint_(MakeComObject<WatchedPoint>(registrationEvents_, subscriptions_)) {}

MmInterfaceManager::~MmInterfaceManager() {
    subscriptions_->Close();
    managerEvents_->DisconnectAll();
    registrationEvents_->DisconnectAll();
}

HRESULT MmInterfaceManager::GetInterfaces(SAFEARRAY** interfaces) {
    return ModemObjectArray<MmInterface, IMbnInterface>(reader_, kNotFound, interfaces);
}

HRESULT MmInterfaceManager::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid == IID_IMbnInterfaceManagerEvents)
        *point = ComPtr(managerPoint_).Detach();
    else if (iid == IID_IMbnRegistrationEvents)
        *point = ComPtr(registrationPoint_).Detach();
    return *point ? S_OK : CONNECT_E_NOCONNECTION;
}

}  // namespace paravue::mm

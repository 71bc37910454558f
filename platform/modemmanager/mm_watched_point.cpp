#include "platform/modemmanager/mm_watched_point.h"

namespace paravue::mm {

Subscriptions::Subscriptions(ServiceOptions options, EventHandlers handlers)
    : watcher_(std::move(options), std::move(handlers)) {}

void Subscriptions::Added() {
    std::unique_lock lock(mutex_);
    ++count_;
    Settle(lock);
}

void Subscriptions::Removed() {
    std::unique_lock lock(mutex_);
    if (count_ > 0)
        --count_;
    Settle(lock);
}

void Subscriptions::Close() {
    std::unique_lock lock(mutex_);
    closed_ = true;
    Settle(lock);
}

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

WatchedPoint::WatchedPoint(ComPtr<ConnectionPoint> inner,
                           std::shared_ptr<Subscriptions> subscriptions)
    : inner_(std::move(inner)), subscriptions_(std::move(subscriptions)) {}

HRESULT WatchedPoint::GetConnectionInterface(IID* iid) {
    return inner_->GetConnectionInterface(iid);
}

HRESULT WatchedPoint::Advise(IUnknown* sink, DWORD* cookie) {
    HRESULT hr = inner_->Advise(sink, cookie);
    if (SUCCEEDED(hr))
        subscriptions_->Added();
    return hr;
}

HRESULT WatchedPoint::Unadvise(DWORD cookie) {
    HRESULT hr = inner_->Unadvise(cookie);
    if (SUCCEEDED(hr))
        subscriptions_->Removed();
    return hr;
}

}  // namespace paravue::mm

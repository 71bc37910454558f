#include "platform/connection_point.h"

#include <algorithm>

namespace paravue {

ConnectionPoint::ConnectionPoint(const IID& eventIid) : eventIid_(eventIid) {}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = eventIid_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(eventIid_, events.PutVoid())))
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(mutex_);
    *cookie = nextCookie_++;
    subscriptions_.push_back({*cookie, std::move(events), {}, false});
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    std::unique_lock lock(mutex_);
    auto it = Find(cookie);
    if (it == subscriptions_.end() || it->withdrawn)
        return CONNECT_E_NOCONNECTION;
    Withdraw(lock, cookie);
    return S_OK;
}

std::vector<ConnectionPoint::Subscription>::iterator ConnectionPoint::Find(DWORD cookie) {
    return std::find_if(subscriptions_.begin(), subscriptions_.end(),
                        [cookie](auto& s) { return s.cookie == cookie; });
}

void ConnectionPoint::Withdraw(std::unique_lock<std::mutex>& lock, DWORD cookie) {
    Find(cookie)->withdrawn = true;
    auto self = std::this_thread::get_id();
    // Wait for calls on other threads; a sink unadvising from inside its own
    // call must not wait for itself.
    idle_.wait(lock, [&] {
        auto it = Find(cookie);
        return std::all_of(it->callingThreads.begin(), it->callingThreads.end(),
                           [self](auto id) { return id == self; });
    });
    // The entry stays until here: Fire leaves a withdrawn entry to its
    // withdrawer unless the withdrawer has already taken the sink.
    auto it = Find(cookie);
    ComPtr<IUnknown> sink = std::move(it->sink);
    if (it->callingThreads.empty())
        subscriptions_.erase(it);
    lock.unlock();
    sink.Reset();  // outside the lock: the sink may run arbitrary code as it goes
    lock.lock();
}

void ConnectionPoint::Fire(const std::function<void(IUnknown* sink)>& deliver) {
    // A sink may drop the last other reference to this point (by ending its
    // service) while we deliver to it.
    ComPtr<ConnectionPoint> keepAlive = ComPtr<ConnectionPoint>::Share(this);
    std::vector<DWORD> cookies;
    {
        std::lock_guard lock(mutex_);
        for (auto& s : subscriptions_)
            if (!s.withdrawn)
                cookies.push_back(s.cookie);
    }
    auto self = std::this_thread::get_id();
    for (DWORD cookie : cookies) {
        ComPtr<IUnknown> sink;
        {
            std::lock_guard lock(mutex_);
            auto it = Find(cookie);
            if (it == subscriptions_.end() || it->withdrawn)
                continue;
            it->callingThreads.push_back(self);
            sink = it->sink;
        }
        deliver(sink.Get());
        sink.Reset();
        {
            std::lock_guard lock(mutex_);
            auto it = Find(cookie);
            it->callingThreads.erase(
                std::find(it->callingThreads.begin(), it->callingThreads.end(), self));
            // A sink that unadvised itself from inside the call has been handed
            // back already; its entry goes with the last call on it.
            if (it->withdrawn && !it->sink && it->callingThreads.empty())
                subscriptions_.erase(it);
        }
        idle_.notify_all();
    }
}

void ConnectionPoint::DisconnectAll() {
    std::unique_lock lock(mutex_);
    for (;;) {
        auto it = std::find_if(subscriptions_.begin(), subscriptions_.end(),
                               [](auto& s) { return !s.withdrawn; });
        if (it == subscriptions_.end())
            break;
        Withdraw(lock, it->cookie);
    }
}

std::size_t ConnectionPoint::SubscriberCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(subscriptions_.begin(), subscriptions_.end(),
                                                  [](auto& s) { return !s.withdrawn; }));
}

}  // namespace paravue

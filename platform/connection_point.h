// Event subscriptions: a container hands out one connection point per event
// interface; sinks subscribe with Advise and leave with Unadvise.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/com.h"
#include "platform/com_object.h"

inline constexpr IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

struct IConnectionPoint : IUnknown {
    static constexpr const IID& kIid = IID_IConnectionPoint;
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
};

struct IConnectionPointContainer : IUnknown {
    static constexpr const IID& kIid = IID_IConnectionPointContainer;
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

namespace paravue {

// A connection point for one event interface. Advise queries the sink for that
// interface and keeps it; Unadvise returns once every call in flight to the
// sink has returned (unless the sink unadvises from inside its call), and no
// call reaches the sink after it.
class ConnectionPoint final : public ServiceObject<ConnectionPoint, IConnectionPoint> {
  public:
    explicit ConnectionPoint(const IID& eventIid);

    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // Calls `deliver` once for each sink subscribed when it starts, with the
    // sink's event interface; the sink is not called after its Unadvise.
    void Fire(const std::function<void(IUnknown* sink)>& deliver);
    // Withdraws every subscription (service shutdown), with the same waiting.
    void DisconnectAll();
    std::size_t SubscriberCount() const;

  private:
    struct Subscription {
        DWORD cookie;
        ComPtr<IUnknown> sink;
        std::vector<std::thread::id> callingThreads;
        bool withdrawn = false;
    };
    std::vector<Subscription>::iterator Find(DWORD cookie);  // under the lock
    void Withdraw(std::unique_lock<std::mutex>& lock, DWORD cookie);

    const IID eventIid_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::vector<Subscription> subscriptions_;
    DWORD nextCookie_ = 1;
};

}  // namespace paravue

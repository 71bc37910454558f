// A connection point that tells its owner when subscriptions come and go,
// so the event watcher runs only while someone listens.
#pragma once

#include <functional>
#include <mutex>

#include "platform/com_object.h"
#include "platform/connection_point.h"

namespace paravue::mm {

class WatchedPoint final : public ServiceObject<WatchedPoint, IConnectionPoint> {
  public:
    WatchedPoint(ComPtr<ConnectionPoint> inner, std::function<void()> changed);

    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    // The owner is going: no more calls to `changed`.
    void Orphan();

  private:
    void Changed();

    ComPtr<ConnectionPoint> inner_;
    std::mutex mutex_;
    std::function<void()> changed_;
};

}  // namespace paravue::mm

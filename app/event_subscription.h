// One sink subscribed to one connection point of the interface manager.
#pragma once

#include "platform/com.h"
#include "platform/connection_point.h"

namespace paravue::app {

class EventSubscription {
  public:
    // Finds the connection point for `eventIid`; only when there is one,
    // creates the sink with `makeSink` and advises it. True when subscribed.
    template <class MakeSink>
    bool Subscribe(IConnectionPointContainer& container, const IID& eventIid, MakeSink makeSink) {
        if (FAILED(container.FindConnectionPoint(eventIid, point_.Put())))
            return false;
        sink_ = makeSink();
        subscribed_ = SUCCEEDED(point_->Advise(sink_.Get(), &cookie_));
        return subscribed_;
    }

    // Unadvises when subscribed (after which the service holds no reference to
    // the sink and calls it no more) and lets go of the connection point.
    void Withdraw();
    // Gives up this side's reference to the sink, which destroys it once withdrawn.
    void ReleaseSink() { sink_.Reset(); }

  private:
    ComPtr<IConnectionPoint> point_;
    ComPtr<IUnknown> sink_;
    DWORD cookie_ = 0;
    bool subscribed_ = false;
};

}  // namespace paravue::app

// The interface manager: one interface per modem, and the two event
// connection points, fed by an event watcher while anyone subscribes.
#pragma once

#include <memory>

#include "platform/com_object.h"
#include "platform/connection_point.h"
#include "platform/mbn.h"
#include "platform/modemmanager/mm_run_reader.h"

namespace paravue::mm {

class Subscriptions;
class WatchedPoint;

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
